#include "platform/temp_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "platform/paths.h"

namespace platform {

namespace {

constexpr char kLedgerPrefix[] = "zaw-";
constexpr char kLedgerSuffix[] = ".tmplist";
// A ledger holds a line per note; one larger than this is not one of ours.
constexpr off_t kLedgerLimit = 4 << 20;

std::mutex g_mutex;
std::string g_ledger;                 // this run's ledger, empty when closed
std::map<std::string, ino_t> g_live;  // path -> inode of each noted file

std::string FullPath(const std::string& path) {
    if (IsFullPath(path)) return path;
    return JoinPath(CurrentDirectory(), path);
}

// Appends one line in a single write, so a kill never leaves half of it.
void AppendLine(const std::string& line) {
    const int fd = ::open(g_ledger.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return;
    ssize_t n;
    do {
        n = ::write(fd, line.data(), line.size());
    } while (n < 0 && errno == EINTR);
    ::close(fd);
}

bool IsAlive(long pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// "+ INODE PATH" notes a file, "- PATH" forgets it.
std::map<std::string, ino_t> ReadLedger(const std::string& path) {
    std::map<std::string, ino_t> live;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return live;
    struct stat st {};
    std::string text;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kLedgerLimit) {
        text.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        text.resize(done);
    }
    ::close(fd);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) break;  // a line cut by the kill
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.size() > 2 && line[0] == '-' && line[1] == ' ') {
            live.erase(line.substr(2));
        } else if (line.size() > 2 && line[0] == '+' && line[1] == ' ') {
            char* rest = nullptr;
            const unsigned long long ino = std::strtoull(line.c_str() + 2, &rest, 10);
            if (rest && *rest == ' ' && IsFullPath(rest + 1))
                live[rest + 1] = static_cast<ino_t>(ino);
        }
    }
    return live;
}

// Removes a listed file only while it is the very file that was noted.
bool RemoveIfSame(const std::string& path, ino_t ino) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_ino != ino) return false;
    return ::unlink(path.c_str()) == 0;
}

}  // namespace

int OpenTempFileLedger(const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_mutex);
    int removed = 0;
    const std::string dirPath = folder.empty() ? CurrentDirectory() : folder;
    if (DIR* dir = ::opendir(dirPath.c_str())) {
        const std::string prefix = kLedgerPrefix, suffix = kLedgerSuffix;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0 ||
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
                continue;
            const std::string digits =
                name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
            if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
            const long pid = std::strtol(digits.c_str(), nullptr, 10);
            if (pid == static_cast<long>(::getpid()) || IsAlive(pid)) continue;
            const std::string ledger = JoinPath(dirPath, name);
            for (const auto& [path, ino] : ReadLedger(ledger))
                removed += RemoveIfSame(path, ino) ? 1 : 0;
            ::unlink(ledger.c_str());
        }
        ::closedir(dir);
    }
    g_ledger =
        FullPath(JoinPath(dirPath, kLedgerPrefix + std::to_string(::getpid()) + kLedgerSuffix));
    g_live.clear();
    ::unlink(g_ledger.c_str());
    return removed;
}

void CloseTempFileLedger() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_ledger.empty()) return;
    for (const auto& [path, ino] : g_live)
        RemoveIfSame(path, ino);
    g_live.clear();
    ::unlink(g_ledger.c_str());
    g_ledger.clear();
}

void NoteTempFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_ledger.empty()) return;
    const std::string full = FullPath(path);
    // A name the ledger's lines cannot hold is left out of it.
    if (full.find('\n') != std::string::npos) return;
    struct stat st {};
    if (::lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    g_live[full] = st.st_ino;
    AppendLine("+ " + std::to_string(static_cast<unsigned long long>(st.st_ino)) + " " + full +
               "\n");
}

void ForgetTempFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_ledger.empty()) return;
    const std::string full = FullPath(path);
    if (g_live.erase(full) == 0) return;
    // With nothing left to list the ledger starts again, so it stays small
    // over a long run.
    if (g_live.empty()) {
        ::unlink(g_ledger.c_str());
        return;
    }
    AppendLine("- " + full + "\n");
}

}  // namespace platform
