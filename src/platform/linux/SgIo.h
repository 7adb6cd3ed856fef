#pragma once
// The Linux SG_IO call as two pure steps, so tests can feed canned
// outcomes: the request header built from a pass-through request, and the
// header the kernel filled in turned into one outcome.
#include "platform/OpticalDrive.h"

#include <scsi/sg.h>

namespace platform {

// The header for `request`; pointers refer into the request's spans.
sg_io_hdr_t BuildSgIoHeader(const PassThroughRequest& request);

// The outcome of one SG_IO call: `ioctlResult` and `callErrno` as the
// ioctl left them, `header` as the kernel filled it in. Host, driver and
// SCSI status are all examined here and nowhere else.
PassThroughOutcome DecodeSgIo(const sg_io_hdr_t& header, int ioctlResult, int callErrno);

}  // namespace platform
