#pragma once
// SHA-256 through the system's crypto service (libcrypto on Linux, which
// uses the processor's SHA instructions where it has them; CryptoAPI on
// Windows).
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace platform {

class Sha256 {
public:
    Sha256();
    ~Sha256();  // the state's holder makes it neither copied nor moved

    // Feeds bytes; any number of calls. Harmless once the hash has failed.
    void Update(const void* bytes, size_t length);
    // The digest of everything fed, or nullopt when the service failed at
    // any step. The hash cannot be fed again afterwards.
    [[nodiscard]] std::optional<std::array<uint8_t, 32>> Final();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace platform
