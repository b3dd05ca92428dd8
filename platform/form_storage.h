// The settings component of the main form: reads texts and integers from INI
// files for the job, and keeps the form's record ("FormVersion") in the
// program's own INI file.
//
// With IniFileName empty it reads the own INI file; with IniSection empty the
// section named after the form's class.
#pragma once

#include "platform/text_types.h"

#include <cstdint>

namespace kanvo {

class TFormStorage {
public:
    TFormStorage(AnsiString ownIniFile, AnsiString formClassName)
        : ownIniFile_(std::move(ownIniFile)), formClassName_(std::move(formClassName)) {}

    AnsiString IniFileName;
    AnsiString IniSection;
    int32_t Version = 0;

    AnsiString ReadString(std::string_view key, std::string_view defaultValue) const;
    int32_t ReadInteger(std::string_view key, int32_t defaultValue) const;

    // Just before the form is first shown: reads "FormVersion" of the form's
    // section in the own INI file; nothing else is restored.
    void RestoreFormPlacement();
    // When the form is destroyed after it has been shown: writes "FormVersion"
    // with Version, creating the own INI file when needed. Raises EFileError
    // "Unable to write to %s" when the file cannot be written.
    void SaveFormPlacement() const;

    int32_t StoredVersion() const { return storedVersion_; }
    const AnsiString& OwnIniFile() const { return ownIniFile_; }

private:
    AnsiString EffectiveFile() const { return IniFileName.empty() ? ownIniFile_ : IniFileName; }
    AnsiString EffectiveSection() const { return IniSection.empty() ? formClassName_ : IniSection; }

    AnsiString ownIniFile_;
    AnsiString formClassName_;
    int32_t storedVersion_ = 0;
};

} // namespace kanvo
