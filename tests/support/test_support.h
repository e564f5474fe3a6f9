// Everything the tests share: recording, scripted and simulated programmers, virtual time,
// temporary folders, images, the in-memory host and the rig.
#pragma once

#include "crlf_lines.h"
#include "images.h"
#include "memory_host.h"
#include "memory_window.h"
#include "recording.h"
#include "rig.h"
#include "scoped_env.h"
#include "scripted_backend.h"
#include "temp_dir.h"
#include "virtual_clock.h"
