// The texts the program shows in message boxes and labels.
#pragma once

namespace norvik::app {

inline constexpr const char* kAppName = "Norvik";

inline constexpr const char* kMsgNoDevice = "没有检查到设备，请确认设备是否连接";
inline constexpr const char* kMsgCheckSocketA = "请确认座子A上芯片放置完好";
inline constexpr const char* kMsgCheckSocketB = "请确认座子B上芯片放置完好";
inline constexpr const char* kMsgEnterProgramStart = "请输入下载数据起始地址";
inline constexpr const char* kMsgOpenImage = "请打开需要下载的文件";
inline constexpr const char* kMsgEnterReadRange = "请输入起始地址和上载数据长度";
inline constexpr const char* kMsgFileBusy = "文件被占用";
inline constexpr const char* kMsgReadCancelled = "点击确定退出";
inline constexpr const char* kMsgSendError = "发送数据错误!";
inline constexpr const char* kMsgReceiveError = "接收数据错误!";
inline constexpr const char* kTextProgramDone = "下载成功";
inline constexpr const char* kTextReadDone = "上载成功";
inline constexpr const char* kPercentFormat = "%d％";
inline constexpr const char* kMsgEnterCopyLength = "请输入拷贝数据长度";
inline constexpr const char* kMsgEnterEraseLength = "请输入擦除数据长度";
inline constexpr const char* kTextCopyDone = "拷贝成功！！";
inline constexpr const char* kTextEraseDone = "擦除成功！！";
inline constexpr const char* kMsgBadBlockFormat = "检测到坏块数:%d";
inline constexpr const char* kMsgChipTestConfirm =
    "使用芯片测试功能将破坏芯片原有数据，请确认是否继续";
// Follows the confirmation on a line of its own: the socket whose chip is destroyed.
inline constexpr const char* kMsgChipTestSocketA = "被测试的芯片：座子A（母片）";
inline constexpr const char* kMsgChipTestSocketB = "被测试的芯片：座子B（子片）";
inline constexpr const char* kMsgTestPassed = "   测试正常";
inline constexpr const char* kMsgTestFailed = "  测试不正常";
inline constexpr const char* kTestImageName = "test.bin";
inline constexpr const char* kTestReadBackName = "test1.bin";

// Messages for conditions the program refuses or reports on top of the operations' own texts:
// each says what went wrong where the operation would otherwise stop without a word.
inline constexpr const char* kMsgNoAcknowledge =
    "编程器在30秒内没有接受命令，操作已停止。请检查编程器连接后重试";
inline constexpr const char* kMsgUnsupportedGeometry =
    "芯片页大小超出支持范围（每页最大8192字节，每次传输最大8960字节），无法操作";
inline constexpr const char* kMsgImageTooLarge = "文件大小超过4GB，无法下载";
inline constexpr const char* kMsgWriteFileError = "写入文件失败（磁盘已满或读写错误），上载已停止";
inline constexpr const char* kMsgLogNotSaved = "无法保存操作日志文件：";
// Followed by the file's path and why it cannot be read.
inline constexpr const char* kMsgConfigUnreadable = "无法读取配置文件，将按无配置运行：";
inline constexpr const char* kMsgCatalogueUnreadable =
    "无法读取芯片库文件，其中的芯片将显示为未识别芯片：";
// Followed by what went wrong: a failure that ends the program.
inline constexpr const char* kMsgFatalFailure = "程序内部错误，程序将退出: ";
// Followed by what went wrong; the dialog goes on after it.
inline constexpr const char* kMsgUnexpectedFailure = "程序内部错误，操作已中止：";
// The cancel command's question while an operation runs.
inline constexpr const char* kMsgExitDuringOperation =
    "操作正在进行。要停止操作并退出吗？（已经传完的数据单元会保留）";
inline constexpr const char* kMsgExitDuringJob =
    "拷贝或擦除正在编程器内进行，电脑无法停止它，退出后编程器会继续完成。要停止跟踪并退出吗？";
inline constexpr const char* kMsgEnterCopyStart = "请输入拷贝起始地址";
inline constexpr const char* kMsgEnterEraseStart = "请输入擦除起始地址";
inline constexpr const char* kMsgCopyNoAnswer =
    "编程器在10秒内没有报告拷贝进度，已停止等待。目标芯片的该区域可能只拷贝了一部分";
inline constexpr const char* kMsgEraseNoAnswer =
    "编程器在10秒内没有报告擦除进度，已停止等待。该区域可能只擦除了一部分";
inline constexpr const char* kMsgImageReadError =
    "读取文件失败（文件被其他程序修改或读写错误），下载已停止";
// Why a front end cannot start, each followed by the backend's own reason.
inline constexpr const char* kMsgBackendUnusable = "无法选择编程器: ";
inline constexpr const char* kMsgDeviceLibraryUnusable = "设备库无法使用: ";
inline constexpr const char* kMsgSimulatorUnusable = "模拟编程器配置无法使用 (NORVIK_SIMULATOR): ";
// The journal's words for an operation that ended without a message of its own.
inline constexpr const char* kTextStopped = "操作已停止";
inline constexpr const char* kTextCancelled = "已取消";
inline constexpr const char* kTextNoResult = "没有结果";
// Followed by the file's path and why: the "拷贝后校验" choice holds for this run only.
inline constexpr const char* kMsgPreferencesNotSaved = "无法保存设置，下次启动时不会记住：";
// Followed by the file's path and why: the operations go on without their journal records.
inline constexpr const char* kMsgJournalNotWritten =
    "无法写入操作记录文件 journal.csv，本次运行的操作不会记录：";
// A program run's read-back differs from its image; followed by where.
inline constexpr const char* kMsgVerifyFailed = "校验失败：读回的数据与文件不同";
// Verify after copy: the copy ended, but socket B's chip does not hold what socket A's does.
// Followed by where the first difference lies.
inline constexpr const char* kMsgCopyVerifyFailed = "拷贝后校验失败：子片与母片的数据不同";
// The two chips' pages are laid out differently: no byte-for-byte comparison is possible.
inline constexpr const char* kMsgCopyVerifyLayouts =
    "拷贝后校验无法进行：两个座子的芯片页大小或备用区大小不同";
// Followed by the temporary file's path and why: socket A's data could not be kept for the
// comparison.
inline constexpr const char* kMsgCopyVerifyScratch = "拷贝后校验无法进行，临时文件不可用：";
// The scratch file that holds socket A's data for the comparison failed to read or write.
inline constexpr const char* kMsgCompareFileUnreadable =
    "拷贝后校验的临时文件读写失败（磁盘已满或读写错误），校验已停止";
// Followed by where the first byte that is not 0xFF lies and how many there are.
inline constexpr const char* kMsgNotBlank = "芯片不是空白的";
inline constexpr const char* kMsgNotBlankCountFormat = "：共 %llu 个字节不是 0xFF";
// Where the first byte that is not 0xFF lies: as kMsgDifferenceFormat.
inline constexpr const char* kMsgNotBlankFormat =
    "第一个不是 0xFF 的字节在偏移 0x%llX（芯片地址 0x%llX，第 %llu 块第 %llu 页%s）";
inline constexpr const char* kMsgBlankBadBlockHint =
    "没有勾选“跳过坏块”（命令行 --skip-bad）：坏块读出来不是 "
    "0xFF，范围内若有坏块，芯片就显得不是空白的";
// Followed by the trace file's path; the run goes on without it.
inline constexpr const char* kMsgTraceUnwritable = "cannot write trace file ";

// A range that runs past the end of the chip: the socket, the chip's name, its size in hex and
// in MiB, the start and the length.
inline constexpr const char* kMsgRangeBeyondChipFormat =
    "地址范围超出芯片容量：座子%c的芯片 %s 容量为 0x%llX 字节（%s），起始地址 0x%llX 加长度 0x%llX "
    "超出了芯片末尾，操作未执行";
// A read whose output another program cut short meanwhile: followed by the file's path.
inline constexpr const char* kMsgOutputCutShort =
    "上载的文件被其他程序改短了（文件比已写入的数据短），上载失败：";
// Where a read-back differs: the file offset, the chip address, its block and page.
inline constexpr const char* kMsgDifferenceFormat =
    "第一个不同的字节在文件偏移 0x%llX（芯片地址 0x%llX，第 %llu 块第 %llu 页%s）";
inline constexpr const char* kMsgDifferenceInUnit = "起的一个传输单元";
inline constexpr const char* kMsgBadBlockHint =
    "没有勾选“跳过坏块”：那里若是坏块，数据写不进去，读回的也会不同。勾选“跳过坏块”"
    "（命令行 --skip-bad）可以避开坏块";
// The self-test could not compare because one of its steps did not finish.
inline constexpr const char* kMsgTestProgramStepFailed = "解扣（写入）步骤没有完成，无法比较";
inline constexpr const char* kMsgTestReadStepFailed = "上载（读回）步骤没有完成，无法比较";

// Why a file could not be opened, each followed by its path ("文件被占用" is kept for a file
// another program holds).
inline constexpr const char* kMsgFileMissing = "找不到文件：";
inline constexpr const char* kMsgFileIsFolder = "这是一个文件夹，不是文件：";
inline constexpr const char* kMsgFileNotRegular = "这不是普通文件（设备、管道等），不能打开：";
inline constexpr const char* kMsgFileNoPermission = "没有权限打开这个文件：";
inline constexpr const char* kMsgFolderNotWritable = "文件夹不允许写入，无法创建文件：";
inline constexpr const char* kMsgFileReadOnlyMedium = "磁盘或文件夹是只读的，无法写入：";
inline constexpr const char* kMsgFileOpenFailed = "无法打开文件（%s）：";

// Followed by the file's path.
inline constexpr const char* kMsgTestImageEmpty =
    "芯片测试文件 test.bin 是空的，没有可比较的数据：";
// Followed by the file's path.
inline constexpr const char* kMsgTestImageMissing = "无法读取芯片测试文件 test.bin：";
inline constexpr const char* kMsgTestReadBackUnusable = "无法打开芯片测试文件 test1.bin：";

}  // namespace norvik::app
