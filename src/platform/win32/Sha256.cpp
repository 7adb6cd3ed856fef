// SHA-256 through CryptoAPI (advapi32.dll), which every 32-bit Windows
// this program runs on has; CNG (bcrypt.dll) came only with Vista, and a
// program importing it does not start at all before that.
#include "platform/Sha256.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>

namespace platform {

struct Sha256::State {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    // PROV_RSA_AES is the provider type that has SHA-256; no key is used,
    // so no key container is opened.
    bool good = CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
                CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash);
    ~State() {
        if (hash) CryptDestroyHash(hash);
        if (provider) CryptReleaseContext(provider, 0);
    }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {}

Sha256::~Sha256() = default;

// CryptoAPI takes a DWORD length: larger inputs go in pieces.
void Sha256::Update(const void* bytes, size_t length) {
    const auto* at = static_cast<const BYTE*>(bytes);
    while (state_->good && length > 0) {
        DWORD piece = static_cast<DWORD>(std::min<size_t>(length, 1u << 30));
        state_->good = CryptHashData(state_->hash, at, piece, 0) != 0;
        at += piece;
        length -= piece;
    }
}

std::optional<std::array<uint8_t, 32>> Sha256::Final() {
    std::array<uint8_t, 32> digest{};
    DWORD size = static_cast<DWORD>(digest.size());
    bool good = state_->good && CryptGetHashParam(state_->hash, HP_HASHVAL, digest.data(), &size, 0) &&
                size == digest.size();
    state_->good = false;
    if (!good) return std::nullopt;
    return digest;
}

}  // namespace platform
