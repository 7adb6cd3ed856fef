#include "platform/Sha256.h"

#include <openssl/evp.h>

namespace platform {

struct Sha256::State {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    bool good = context && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1;
    ~State() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {}

Sha256::~Sha256() = default;

void Sha256::Update(const void* bytes, size_t length) {
    if (state_->good) state_->good = EVP_DigestUpdate(state_->context, bytes, length) == 1;
}

std::optional<std::array<uint8_t, 32>> Sha256::Final() {
    std::array<uint8_t, 32> digest{};
    unsigned int length = 0;
    bool good = state_->good && EVP_DigestFinal_ex(state_->context, digest.data(), &length) == 1 &&
                length == digest.size();
    state_->good = false;
    if (!good) return std::nullopt;
    return digest;
}

}  // namespace platform
