#include "platform/form_storage.h"

#include "platform/ini_file.h"

namespace kanvo {

AnsiString TFormStorage::ReadString(std::string_view key, std::string_view defaultValue) const {
    return IniFile(EffectiveFile()).ReadString(EffectiveSection(), key, defaultValue);
}

int32_t TFormStorage::ReadInteger(std::string_view key, int32_t defaultValue) const {
    return IniFile(EffectiveFile()).ReadInteger(EffectiveSection(), key, defaultValue);
}

void TFormStorage::RestoreFormPlacement() {
    storedVersion_ = IniFile(ownIniFile_).ReadInteger(formClassName_, "FormVersion", 0);
}

void TFormStorage::SaveFormPlacement() const {
    IniFile(ownIniFile_).WriteInteger(formClassName_, "FormVersion", Version);
}

} // namespace kanvo
