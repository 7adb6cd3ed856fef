#pragma once
// One CD-ROM drive letter opened as "\\.\E:". Its DeviceIoControl goes
// through a replaceable function, so tests can answer with canned blocks
// while the handle itself stays real.
#include "platform/OpticalDrive.h"

#include <windows.h>

#include <functional>
#include <memory>

namespace platform {

using DeviceControl = std::function<BOOL(HANDLE handle, DWORD code, void* in, DWORD inSize, void* out,
                                         DWORD outSize, DWORD* returned)>;

// The system's own DeviceIoControl.
DeviceControl SystemDeviceControl();

// Takes `handle` over: the drive closes it when destroyed.
std::unique_ptr<OpticalDrive> MakeWin32OpticalDrive(HANDLE handle, DeviceControl control = SystemDeviceControl());

}  // namespace platform
