// The small drive of the bench (see small_drive.h).
#include "tests/support/small_drive.h"
#include "tests/support/bench.h"

namespace bench {

namespace {
bool clusters_of(double* cluster, double* free_clusters, double* total)
{
    DWORD per_cluster, per_sector, free_count, all;
    if (!GetDiskFreeSpaceA(small_drive::root, &per_cluster, &per_sector, &free_count, &all)) return false;
    *cluster = double(per_cluster) * per_sector;
    *free_clusters = free_count;
    *total = all * *cluster;
    return true;
}
}  // namespace

small_drive::small_drive() : mutex_(CreateMutexA(nullptr, FALSE, "zote-test-small-drive"))
{
    if (mutex_) WaitForSingleObject(mutex_, 120000);
    double cluster, free_clusters, total;
    if (!clusters_of(&cluster, &free_clusters, &total))
        unusable_ = "no drive S: (tools/bench.d/small_drive.sh makes it)";
    else if (total > 8.0 * 1024 * 1024)
        unusable_ = "S: is not the small drive: mounting its tmpfs needs root (tools/bench.d/small_drive.sh)";
    else
        empty();
}

small_drive::~small_drive()
{
    if (unusable_.empty()) empty();
    if (mutex_) {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
}

void small_drive::empty() const
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(file("*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName, full = file(name);
        if (name == "." || name == "..") continue;
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            remove_tree(full);
        else
            DeleteFileA(full.c_str());
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

double small_drive::cluster_bytes() const
{
    double cluster = 0, free_clusters = 0, total = 0;
    clusters_of(&cluster, &free_clusters, &total);
    return cluster;
}

double small_drive::free_clusters() const
{
    double cluster = 0, free_clusters = 0, total = 0;
    clusters_of(&cluster, &free_clusters, &total);
    return free_clusters;
}

bool small_drive::leave_free(double clusters)
{
    DeleteFileA(file(filler_name).c_str());
    double free_now = free_clusters();
    if (free_now < clusters) return false;
    std::string filler(size_t((free_now - clusters) * cluster_bytes()), 'f');
    return write_file(file(filler_name), filler) && free_clusters() == clusters;
}

}  // namespace bench
