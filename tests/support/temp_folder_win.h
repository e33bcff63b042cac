// Points TMP and TEMP, and so GetTempPathA of this process and of the
// programs it starts, at a folder of the test's own while the object lives.
#pragma once

#include <windows.h>

#include <string>

class TempFolderOverride {
  public:
    explicit TempFolderOverride(const std::string& folder) {
        for (int i = 0; i < 2; ++i) {
            const DWORD length = GetEnvironmentVariableA(kNames[i], saved_[i], MAX_PATH);
            had_[i] = length > 0 && length < MAX_PATH;
            SetEnvironmentVariableA(kNames[i], folder.c_str());
        }
    }
    ~TempFolderOverride() {
        for (int i = 0; i < 2; ++i) {
            SetEnvironmentVariableA(kNames[i], had_[i] ? saved_[i] : nullptr);
        }
    }
    TempFolderOverride(const TempFolderOverride&) = delete;

  private:
    static constexpr const char* kNames[2] = {"TMP", "TEMP"};
    char saved_[2][MAX_PATH] = {};
    bool had_[2] = {};
};
