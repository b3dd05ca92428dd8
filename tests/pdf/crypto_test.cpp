#include "pdf/md5.h"
#include "pdf/rc4.h"

#include <gtest/gtest.h>

namespace kanvo {
namespace {

std::string Hex(const std::string& bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    return out;
}

TEST(Md5, Rfc1321Suite) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {std::string(80, '-'), "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (auto [text, digest] : cases) {
        if (text == std::string(80, '-')) {
            text.clear();
            for (int i = 0; i < 8; ++i)
                text += "1234567890";
        }
        EXPECT_EQ(MD5String(text), digest) << text;
    }
}

TEST(Md5, UpdatesInPiecesGiveTheSameDigest) {
    std::string text(1000, 'x');
    TfrxMD5 md5;
    for (size_t i = 0; i < text.size(); i += 37)
        md5.Update(std::string_view(text).substr(i, 37));
    md5.Finalize();
    EXPECT_EQ(md5.Digest(), MD5Buffer(text));
}

TEST(Rc4, PublishedVectors) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"Key", "Plaintext", "bbf316e8d940af0ad3"},
        {"Wiki", "pedia", "1021bf0420"},
        {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
    };
    for (const auto& [key, plain, cipher] : cases) {
        EXPECT_EQ(Hex(RC4Crypt(key, plain)), cipher) << key;
        EXPECT_EQ(RC4Crypt(key, RC4Crypt(key, plain)), plain);
    }
}

TEST(Rc4, KeyLengthOutsideRangeLeavesStateUntouched) {
    TfrxRC4 rc4;
    rc4.Start("Key", 3);
    rc4.Start("", 0);
    std::string out(9, '\0');
    rc4.Crypt("Plaintext", out.data(), 9);
    EXPECT_EQ(Hex(out), "bbf316e8d940af0ad3");
}

} // namespace
} // namespace kanvo
