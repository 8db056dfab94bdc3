// The floor under `qel mp3 DIR`, as a whole process: walks the same folder tree with
// opendir/readdir and, for every *.mp3 file, does the least any reader does: open, fstat,
// a read of the head and of the last 128 bytes, close. Prints the count.
// Usage: mp3peer_floor FOLDER

#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

long g_sink = 0;

bool isMp3(const char *name)
{
    const size_t n = std::strlen(name);
    return n > 4 && name[n - 4] == '.' && (name[n - 3] | 0x20) == 'm' &&
           (name[n - 2] | 0x20) == 'p' && name[n - 1] == '3';
}

long walk(const std::string &folder)
{
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    long count = 0;
    char buf[4096];
    while (const dirent *e = ::readdir(dir)) {
        if (e->d_name[0] == '.')
            continue;
        const std::string path = folder + '/' + e->d_name;
        if (e->d_type == DT_DIR) {
            count += walk(path);
        } else if (isMp3(e->d_name)) {
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
            if (fd < 0)
                continue;
            struct stat st;
            if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
                g_sink += ::pread(fd, buf, sizeof buf, 0);
                g_sink += ::pread(fd, buf, 128, st.st_size - 128);
                ++count;
            }
            ::close(fd);
        }
    }
    ::closedir(dir);
    return count;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mp3peer_floor FOLDER\n");
        return 2;
    }
    const long count = walk(argv[1]);
    std::printf("%ld MP3 files (%ld bytes read)\n", count, g_sink);
    return 0;
}
