#include "platform/Sha256.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>

namespace platform {

struct Sha256::State {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool good = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
                BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    ~State() {
        if (hash) BCryptDestroyHash(hash);
        if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
    }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {}

Sha256::~Sha256() = default;

// CNG takes a ULONG length: larger inputs go in pieces.
void Sha256::Update(const void* bytes, size_t length) {
    auto* at = static_cast<UCHAR*>(const_cast<void*>(bytes));
    while (state_->good && length > 0) {
        ULONG piece = static_cast<ULONG>(std::min<size_t>(length, 1u << 30));
        state_->good = BCRYPT_SUCCESS(BCryptHashData(state_->hash, at, piece, 0));
        at += piece;
        length -= piece;
    }
}

std::optional<std::array<uint8_t, 32>> Sha256::Final() {
    std::array<uint8_t, 32> digest{};
    bool good = state_->good && BCRYPT_SUCCESS(BCryptFinishHash(state_->hash, digest.data(), digest.size(), 0));
    state_->good = false;
    if (!good) return std::nullopt;
    return digest;
}

}  // namespace platform
