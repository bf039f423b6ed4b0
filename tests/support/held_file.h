// A file held open by another process (a copy of the running test program),
// as a viewer or an editor holds it: others may read it but neither delete
// nor move it. Held from construction until the object goes.
#pragma once
#include <windows.h>
#include <string>

namespace bench {

class held_file {
public:
    explicit held_file(const std::string& path);
    ~held_file();
    held_file(const held_file&) = delete;
    held_file& operator=(const held_file&) = delete;
    // False when the other process could not open the file.
    bool held() const { return held_; }

private:
    PROCESS_INFORMATION process_ = {};
    HANDLE release_ = nullptr;
    bool held_ = false;
};

}  // namespace bench
