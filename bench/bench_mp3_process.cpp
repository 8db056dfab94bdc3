// `qel mp3 DIR` as a whole process, as a user runs it, next to two peer processes on the
// same tree: a TagLib reader program and the floor (a bare walk with
// open/fstat/pread/close). Warm cache: every program runs once before the timed rounds,
// which take turns so that a disturbance hits all alike; the median of the rounds counts.
// Usage: bench_mp3_process [FOLDER]   (default: a new temporary tree of 10,000 files; a
// FOLDER that does not exist is made with that tree and kept, for the next runs)
// ROUNDS in the environment sets the number of rounds (default 7).

#include "mp3tree.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr int kFiles = 10000;

struct TProgram
{
    const char *label;
    std::vector<std::string> argv;
    std::vector<double> seconds;
};

// Runs argv with its output into out (a file descriptor); returns the wall seconds, or a
// negative number when it did not end with 0.
double Run(const std::vector<std::string> &argv, int out)
{
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? s : -1;
}

// What the program's output says of the files it saw, to check that all saw the same:
// its last line, or for JSON the number of objects.
std::string Summary(const std::vector<std::string> &argv)
{
    FILE *tmp = std::tmpfile();
    if (!tmp || Run(argv, fileno(tmp)) < 0)
        return "(failed)";
    std::fflush(tmp);
    std::string all;
    char buf[65536];
    std::rewind(tmp);
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, tmp)) > 0;)
        all.append(buf, n);
    std::fclose(tmp);
    while (!all.empty() && all.back() == '\n')
        all.pop_back();
    if (!all.empty() && all.back() == ']') {
        long objects = 0;
        for (size_t at = 0; (at = all.find("\"path\":", at)) != std::string::npos; ++at)
            ++objects;
        return std::to_string(objects) + " objects";
    }
    return all.substr(all.rfind('\n') + 1);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir temp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    const bool make = argc <= 1 || !QFileInfo::exists(folder);
    if (make && MakeBenchMp3Tree(folder, kFiles).isEmpty()) {
        std::fprintf(stderr, "bench_mp3_process: the files cannot be written\n");
        return 1;
    }
    const std::string dir = folder.toLocal8Bit().toStdString();
    // The peers run on one core; qel reads on a few threads, so it also runs held to one
    // core (taskset), which shows what the threads add.
    std::vector<TProgram> programs{
        {"TagLib reader (text)", {MP3PEER_TAGLIB_PATH, dir}, {}},
        {"floor: walk, open/fstat/2 pread/close", {MP3PEER_FLOOR_PATH, dir}, {}},
        {"qel mp3 DIR --json", {QEL_CLI_PATH, "mp3", dir, "--json"}, {}},
        {"qel mp3 DIR (text)", {QEL_CLI_PATH, "mp3", dir}, {}},
    };
    if (::access("/usr/bin/taskset", X_OK) == 0)
        programs.push_back({"qel mp3 DIR --json, one core",
                            {"/usr/bin/taskset", "-c", "0", QEL_CLI_PATH, "mp3", dir, "--json"},
                            {}});
    // Every program's count, which also warms the cache.
    for (const TProgram &p : programs)
        std::printf("%-40s %s\n", p.label, Summary(p.argv).c_str());

    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const char *roundsText = std::getenv("ROUNDS");
    const int rounds = std::max(1, roundsText ? std::atoi(roundsText) : 7);
    for (int round = 0; round < rounds; ++round)
        for (TProgram &p : programs) {
            const double s = Run(p.argv, null);
            if (s < 0) {
                std::fprintf(stderr, "bench_mp3_process: \"%s\" failed\n", p.label);
                return 1;
            }
            p.seconds.push_back(s);
        }
    ::close(null);

    std::printf("\nwhole processes, warm cache, median of %d rounds (output to /dev/null)\n",
                rounds);
    std::printf("%-40s %10s %10s\n", "", "ms", "best ms");
    for (const TProgram &p : programs)
        std::printf("%-40s %10.0f %10.0f\n", p.label, Median(p.seconds) * 1000,
                    *std::min_element(p.seconds.begin(), p.seconds.end()) * 1000);
    const double taglib = Median(programs[0].seconds);
    const double floor = Median(programs[1].seconds);
    for (size_t i = 2; i < programs.size(); ++i) {
        const double ours = Median(programs[i].seconds);
        std::printf("%-30s %5.2fx TagLib's speed (goal 3), %4.2fx the floor's (goal 0.5)\n",
                    programs[i].label, taglib / ours, floor / ours);
    }
    return 0;
}
