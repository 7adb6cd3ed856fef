#pragma once
// The longest texts of the message table that reach the result line, for
// an image and for a long path of the system's own shape.
#include "drive/DriveMessages.h"

#include <string>
#include <vector>

namespace kqtest {

inline std::vector<std::string> LongestResults(const std::string& image, const std::string& longPath) {
    return {kq::DriveMessage(kq::Msg::OperationAborted),
            kq::DriveMessage(kq::Msg::WriterBusyBufferFull),
            kq::DriveMessage(kq::Msg::BurnAlreadyRunning),
            kq::FormatDriveMessage(kq::Msg::CantReadFile, {image}),
            kq::FormatDriveMessage(kq::Msg::CantOpenFile, {image}),
            kq::FormatDriveMessage(kq::Msg::CantOpenFile, {longPath})};
}

}  // namespace kqtest
