#include "digest/MD5.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kq {

namespace {

// Each step keeps as little as possible on the a -> b dependency chain:
// the message word, the constant and every term not involving b are added
// first, so a block costs little more than the chain itself.
template <int s>
inline uint32_t F(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t xk) {
    return b + std::rotl(a + xk + (d ^ (b & (c ^ d))), s);
}

// (b & d) | (c & ~d): the two terms never share a bit, so they can be added
// one at a time, the one without b off the chain.
template <int s>
inline uint32_t G(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t xk) {
    return b + std::rotl(a + xk + (~d & c) + (d & b), s);
}

template <int s>
inline uint32_t H(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t xk) {
    return b + std::rotl(a + xk + (b ^ (c ^ d)), s);
}

template <int s>
inline uint32_t I(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t xk) {
    return b + std::rotl(a + xk + (c ^ (b | ~d)), s);
}

// Byte by byte, so any host reads little-endian; compilers make one load of it.
inline uint32_t LoadLE32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline void StoreLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void Transform(uint32_t state[4], const uint8_t* block, size_t blocks) {
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; blocks > 0; --blocks, block += 64) {
        auto x = [block](int i) { return LoadLE32(block + 4 * i); };
        const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

        a = F<7>(a, b, c, d, x(0) + 0xd76aa478);
        d = F<12>(d, a, b, c, x(1) + 0xe8c7b756);
        c = F<17>(c, d, a, b, x(2) + 0x242070db);
        b = F<22>(b, c, d, a, x(3) + 0xc1bdceee);
        a = F<7>(a, b, c, d, x(4) + 0xf57c0faf);
        d = F<12>(d, a, b, c, x(5) + 0x4787c62a);
        c = F<17>(c, d, a, b, x(6) + 0xa8304613);
        b = F<22>(b, c, d, a, x(7) + 0xfd469501);
        a = F<7>(a, b, c, d, x(8) + 0x698098d8);
        d = F<12>(d, a, b, c, x(9) + 0x8b44f7af);
        c = F<17>(c, d, a, b, x(10) + 0xffff5bb1);
        b = F<22>(b, c, d, a, x(11) + 0x895cd7be);
        a = F<7>(a, b, c, d, x(12) + 0x6b901122);
        d = F<12>(d, a, b, c, x(13) + 0xfd987193);
        c = F<17>(c, d, a, b, x(14) + 0xa679438e);
        b = F<22>(b, c, d, a, x(15) + 0x49b40821);

        a = G<5>(a, b, c, d, x(1) + 0xf61e2562);
        d = G<9>(d, a, b, c, x(6) + 0xc040b340);
        c = G<14>(c, d, a, b, x(11) + 0x265e5a51);
        b = G<20>(b, c, d, a, x(0) + 0xe9b6c7aa);
        a = G<5>(a, b, c, d, x(5) + 0xd62f105d);
        d = G<9>(d, a, b, c, x(10) + 0x02441453);
        c = G<14>(c, d, a, b, x(15) + 0xd8a1e681);
        b = G<20>(b, c, d, a, x(4) + 0xe7d3fbc8);
        a = G<5>(a, b, c, d, x(9) + 0x21e1cde6);
        d = G<9>(d, a, b, c, x(14) + 0xc33707d6);
        c = G<14>(c, d, a, b, x(3) + 0xf4d50d87);
        b = G<20>(b, c, d, a, x(8) + 0x455a14ed);
        a = G<5>(a, b, c, d, x(13) + 0xa9e3e905);
        d = G<9>(d, a, b, c, x(2) + 0xfcefa3f8);
        c = G<14>(c, d, a, b, x(7) + 0x676f02d9);
        b = G<20>(b, c, d, a, x(12) + 0x8d2a4c8a);

        a = H<4>(a, b, c, d, x(5) + 0xfffa3942);
        d = H<11>(d, a, b, c, x(8) + 0x8771f681);
        c = H<16>(c, d, a, b, x(11) + 0x6d9d6122);
        b = H<23>(b, c, d, a, x(14) + 0xfde5380c);
        a = H<4>(a, b, c, d, x(1) + 0xa4beea44);
        d = H<11>(d, a, b, c, x(4) + 0x4bdecfa9);
        c = H<16>(c, d, a, b, x(7) + 0xf6bb4b60);
        b = H<23>(b, c, d, a, x(10) + 0xbebfbc70);
        a = H<4>(a, b, c, d, x(13) + 0x289b7ec6);
        d = H<11>(d, a, b, c, x(0) + 0xeaa127fa);
        c = H<16>(c, d, a, b, x(3) + 0xd4ef3085);
        b = H<23>(b, c, d, a, x(6) + 0x04881d05);
        a = H<4>(a, b, c, d, x(9) + 0xd9d4d039);
        d = H<11>(d, a, b, c, x(12) + 0xe6db99e5);
        c = H<16>(c, d, a, b, x(15) + 0x1fa27cf8);
        b = H<23>(b, c, d, a, x(2) + 0xc4ac5665);

        a = I<6>(a, b, c, d, x(0) + 0xf4292244);
        d = I<10>(d, a, b, c, x(7) + 0x432aff97);
        c = I<15>(c, d, a, b, x(14) + 0xab9423a7);
        b = I<21>(b, c, d, a, x(5) + 0xfc93a039);
        a = I<6>(a, b, c, d, x(12) + 0x655b59c3);
        d = I<10>(d, a, b, c, x(3) + 0x8f0ccc92);
        c = I<15>(c, d, a, b, x(10) + 0xffeff47d);
        b = I<21>(b, c, d, a, x(1) + 0x85845dd1);
        a = I<6>(a, b, c, d, x(8) + 0x6fa87e4f);
        d = I<10>(d, a, b, c, x(15) + 0xfe2ce6e0);
        c = I<15>(c, d, a, b, x(6) + 0xa3014314);
        b = I<21>(b, c, d, a, x(13) + 0x4e0811a1);
        a = I<6>(a, b, c, d, x(4) + 0xf7537e82);
        d = I<10>(d, a, b, c, x(11) + 0xbd3af235);
        c = I<15>(c, d, a, b, x(2) + 0x2ad7d2bb);
        b = I<21>(b, c, d, a, x(9) + 0xeb86d391);

        a += a0;
        b += b0;
        c += c0;
        d += d0;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

}  // namespace

void MD5Init(TMD5Context& context) {
    context = TMD5Context{{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}, {0, 0}, {}};
}

void MD5Update(TMD5Context& context, const void* bytes, uint32_t length) {
    if (length == 0) return;
    auto in = static_cast<const uint8_t*>(bytes);
    size_t used = context.Count[0] % 64;
    context.Count[0] += length;
    if (context.Count[0] < length) ++context.Count[1];

    if (used > 0) {
        size_t take = std::min<size_t>(64 - used, length);
        std::memcpy(context.Buffer + used, in, take);
        in += take;
        length -= static_cast<uint32_t>(take);
        if (used + take < 64) return;
        Transform(context.State, context.Buffer, 1);
    }
    // Whole blocks straight from the caller's memory, no copy.
    Transform(context.State, in, length / 64);
    std::memcpy(context.Buffer, in + (length & ~63u), length % 64);
}

TMD5Digest MD5Final(TMD5Context& context) {
    uint8_t bits[8];
    StoreLE32(bits, context.Count[0] << 3);
    StoreLE32(bits + 4, (context.Count[1] << 3) | (context.Count[0] >> 29));

    // 0x80, zeros up to 56 mod 64, then the length in bits.
    static constexpr uint8_t kPadding[64] = {0x80};
    size_t used = context.Count[0] % 64;
    MD5Update(context, kPadding, static_cast<uint32_t>(used < 56 ? 56 - used : 120 - used));
    MD5Update(context, bits, 8);

    TMD5Digest digest;
    for (int i = 0; i < 4; ++i) StoreLE32(digest.data() + 4 * i, context.State[i]);
    context = TMD5Context{};
    return digest;
}

TMD5Digest MD5Buffer(const void* bytes, size_t length) {
    TMD5Context context;
    MD5Init(context);
    auto in = static_cast<const uint8_t*>(bytes);
    // Pieces that are whole blocks, so none goes through the buffer.
    constexpr size_t kPiece = size_t{1} << 30;
    for (; length > kPiece; length -= kPiece, in += kPiece) MD5Update(context, in, kPiece);
    MD5Update(context, in, static_cast<uint32_t>(length));
    return MD5Final(context);
}

std::string MD5Print(const TMD5Digest& digest) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text(32, '0');
    for (size_t i = 0; i < digest.size(); ++i) {
        text[2 * i] = kHex[digest[i] >> 4];
        text[2 * i + 1] = kHex[digest[i] & 15];
    }
    return text;
}

}  // namespace kq
