// A qxUSBDev.dll that exports neither library call, for the loader's "function missing" message.
extern "C" __declspec(dllexport) int qxUSB_Open() {
  return 0;
}
