// The bench's small drive S: (a 1 MB tmpfs, tools/bench.d/small_drive.sh) for
// tests of copies, moves and write-backs onto a full drive. One test at a
// time holds it (a named mutex, as the clipboard's); it starts empty and is
// emptied again when the holder goes.
#pragma once
#include <windows.h>
#include <string>

namespace bench {

class small_drive {
public:
    small_drive();
    ~small_drive();
    small_drive(const small_drive&) = delete;
    small_drive& operator=(const small_drive&) = delete;
    // Empty when the drive is there and small; otherwise why not, for GTEST_SKIP.
    const std::string& unusable() const { return unusable_; }
    // root\name (name may use backslashes).
    std::string file(const std::string& name) const { return std::string(root) + name; }
    double cluster_bytes() const;
    double free_clusters() const;
    // Fills the drive with one file (filler_name at the root) until exactly
    // clusters stay free.
    bool leave_free(double clusters);

    static constexpr const char* root = "S:\\";
    static constexpr const char* filler_name = "詰め物表.bin";

private:
    void empty() const;
    HANDLE mutex_;
    std::string unusable_;
};

}  // namespace bench
