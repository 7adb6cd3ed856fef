#pragma once
// What --read-image and --check-disc share: the drive and its data track,
// the reading speed, and a read on its own thread with a progress line.
#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "jobs/DiscJob.h"
#include "drive/MediaTypes.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kq {
class TQCDBurner;
}

namespace kq::cli {

using namespace jobs;
// Loads the transport, takes the --device drive (else the first drive, a
// reader needs no recorder), sets the --read-speed and finds the data
// track (--track, else the first). nullopt after a line on the console,
// with `exitCode` 2 (unknown drive) or 4 (no drive, no disc, no data).
std::optional<ReadingDrive> PrepareReading(TQCDBurner& burner, const CliOptions& options, Console& console,
                                           int& exitCode);

// Runs `read` on a thread of its own while this thread shows the progress
// of `bytesDone` against `totalBytes` as a burn's line. Ctrl-C is for
// `read` to hear (InterruptRequested).
void ReadWithProgress(Console& console, const std::function<void()>& read, const std::atomic<int64_t>& bytesDone,
                      int64_t totalBytes, MediaFamily family);
// ReadWithProgress on the console, as a job takes it.
jobs::ReadRunner ConsoleReadRunner(Console& console);

}  // namespace kq::cli
