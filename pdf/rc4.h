// RC4 stream cipher. One Start followed by one Crypt is plain RC4.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kanvo {

class TfrxRC4 {
public:
    // Key schedule; a key length outside 1..256 leaves the state untouched.
    void Start(const void* key, size_t length);
    // Encrypts (or decrypts) `length` bytes; `in` and `out` may be the same.
    void Crypt(const void* in, void* out, size_t length);

private:
    uint8_t state_[256] = {};
};

// RC4 of `data` under `key`.
std::string RC4Crypt(const std::string& key, const std::string& data);

} // namespace kanvo
