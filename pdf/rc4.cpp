#include "pdf/rc4.h"

#include <utility>

namespace kanvo {

void TfrxRC4::Start(const void* key, size_t length) {
    if (length < 1 || length > 256)
        return;
    const auto* k = static_cast<const uint8_t*>(key);
    for (int i = 0; i < 256; ++i)
        state_[i] = static_cast<uint8_t>(i);
    uint8_t j = 0;
    for (size_t i = 0; i < 256; ++i) {
        j = static_cast<uint8_t>(j + state_[i] + k[i % length]);
        std::swap(state_[i], state_[j]);
    }
}

void TfrxRC4::Crypt(const void* in, void* out, size_t length) {
    const auto* src = static_cast<const uint8_t*>(in);
    auto* dst = static_cast<uint8_t*>(out);
    uint8_t i = 0, j = 0;
    uint8_t s[256];
    for (int n = 0; n < 256; ++n)
        s[n] = state_[n];
    for (size_t n = 0; n < length; ++n) {
        i = static_cast<uint8_t>(i + 1);
        j = static_cast<uint8_t>(j + s[i]);
        std::swap(s[i], s[j]);
        dst[n] = src[n] ^ s[static_cast<uint8_t>(s[i] + s[j])];
    }
}

std::string RC4Crypt(const std::string& key, const std::string& data) {
    TfrxRC4 rc4;
    rc4.Start(key.data(), key.size());
    std::string out(data.size(), '\0');
    rc4.Crypt(data.data(), out.data(), data.size());
    return out;
}

} // namespace kanvo
