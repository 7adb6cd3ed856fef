#pragma once
// The command trace: names of the opcodes and the "<<< " line that shows a
// command block, its data and its outcome.
#include "platform/Timing.h"
#include "transport/kqASPI.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace kq {

// Every opcode 00h-FFh: its name padded to 22 characters, or its two hex
// digits when it has none.
const std::array<std::string, 256>& CommandNames();

// "COMMAND TIMEOUT (SYNCHRONIZE CACHE)": the time-out text naming the
// command that ran out of time.
std::string CommandTimeoutText(uint8_t opcode);

// Off by default: only the first command of a device object may produce
// an error line. On: every command is traced with a time stamp.
bool TraceAllCommands();
void SetTraceAllCommands(bool on);

// Opcodes whose failures are routine (polls, probes) and never traced.
bool IsQuietOpcode(uint8_t opcode);

// The trace line of a finished request; with a time stamp for the full
// trace, without one for the error line.
std::string TraceLine(const SRB_ExecSCSICmd& request, std::string_view lastErrorText,
                      std::optional<platform::TimeOfDay> stamp);

}  // namespace kq
