// MD5 message digest (RFC 1321). Plain value type, no ownership.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kanvo {

using Md5Digest = std::array<uint8_t, 16>;

class TfrxMD5 {
public:
    TfrxMD5() { Init(); }
    void Init();
    void Update(const void* data, size_t length);
    void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
    // Ends the message; the digest stays valid until the next Init.
    void Finalize();
    const Md5Digest& Digest() const { return digest_; }

private:
    void Transform(const uint8_t block[64]);
    uint32_t state_[4];
    uint64_t bitCount_ = 0;
    uint8_t buffer_[64];
    Md5Digest digest_{};
};

Md5Digest MD5Buffer(std::string_view bytes);
// The digest as 32 lowercase hexadecimal digits.
std::string MD5String(std::string_view bytes);

} // namespace kanvo
