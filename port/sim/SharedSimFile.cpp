#include "SharedSimFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string resetAdvice(const std::string &name)
{
    return "; 'zelvanectl -p sim:" + name + " sim reset' (or removing the file) makes a new one";
}

// A folder only we can enter: made if missing, refused if anyone else owns or may write it.
bool ownFolder(const std::string &path, std::string &why)
{
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        why = "cannot make the folder " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        why = "cannot look at the folder " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid() || (info.st_mode & 0077)) {
        why = path + " is not a private folder of this user (it must be a folder of ours with " +
              "mode 0700); remove it";
        return false;
    }
    return true;
}

std::string folder(std::string &why)
{
    // Only a runtime folder of our own: root run with another user's environment keeps out.
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (runtime && runtime[0] == '/' && stat(runtime, &info) == 0 && info.st_uid == geteuid()) {
        const std::string path = std::string(runtime) + "/zelvane";
        return ownFolder(path, why) ? path : std::string();
    }
    const std::string path = "/tmp/zelvane-" + std::to_string(geteuid());
    return ownFolder(path, why) ? path : std::string();
}

// Written whole under a name of its own, then linked in: a second opener sees either no
// file or a whole one. Losing the race to another program is fine: its file is used.
bool create(const std::string &path, std::string &why)
{
    std::string temporary = path + ".new-XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC); // mode 0600
    if (fd < 0) {
        why = "cannot make " + temporary + ": " + std::strerror(errno);
        return false;
    }
    const SimState fresh = FreshSimState();
    const bool written = pwrite(fd, &fresh, sizeof fresh, 0) == sizeof fresh;
    const int error = errno;
    close(fd);
    const bool linked = written && (link(temporary.c_str(), path.c_str()) == 0 || errno == EEXIST);
    if (written && !linked)
        why = "cannot make " + path + ": " + std::strerror(errno);
    else if (!written)
        why = "cannot write " + temporary + ": " + std::strerror(error);
    unlink(temporary.c_str());
    return linked;
}

// Why the open file cannot be a port of ours, or empty.
std::string refusal(int fd, const std::string &path)
{
    struct stat info {};
    if (fstat(fd, &info) != 0)
        return "cannot look at " + path + ": " + std::strerror(errno);
    if (!S_ISREG(info.st_mode))
        return path + " is not a plain file";
    if (info.st_uid != geteuid())
        return path + " belongs to another user";
    if (info.st_size != static_cast<off_t>(sizeof(SimState)))
        return path + " has the wrong size (" + std::to_string(info.st_size) + " bytes, not " +
               std::to_string(sizeof(SimState)) + ")";
    SimState header{};
    if (pread(fd, &header, sizeof header, 0) != static_cast<ssize_t>(sizeof header))
        return "cannot read " + path + ": " + std::strerror(errno);
    if (std::memcmp(header.magic, kSimStateMagic, sizeof header.magic) != 0)
        return path + " is not a simulated port's file";
    if (header.version != kSimStateVersion)
        return path + " is a simulated port of another version (" + std::to_string(header.version) +
               ")";
    return {};
}

// The file opened for reading and writing and checked, or -1 with why.
int openChecked(const std::string &path, const std::string &name, std::string &why)
{
    // Non-blocking, so that a FIFO put in its place cannot stop the opening.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ELOOP)
            why = path + " is a symbolic link";
        else if (error == EISDIR)
            why = path + " is not a plain file (a folder)";
        else
            why = "cannot open " + path + ": " + std::strerror(error);
        if (error == ELOOP || error == EISDIR)
            why += resetAdvice(name);
        return -1;
    }
    if (std::string wrong = refusal(fd, path); !wrong.empty()) {
        why = wrong + resetAdvice(name);
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

bool IsSimName(std::string_view name)
{
    if (name.empty() || name.size() > 64)
        return false;
    for (const char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '-' || c == '_'))
            return false;
    return true;
}

std::string SharedSimFile::pathOf(const std::string &name, std::string &why)
{
    const std::string in = folder(why);
    return in.empty() ? in : in + "/sim-" + name;
}

std::unique_ptr<SharedSimFile> SharedSimFile::open(const std::string &name, std::string &why)
{
    const std::string path = pathOf(name, why);
    if (path.empty())
        return nullptr;
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 && errno == ENOENT && !create(path, why))
        return nullptr;
    const int fd = openChecked(path, name, why);
    if (fd < 0)
        return nullptr;
    void *mapped = mmap(nullptr, sizeof(SimState), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    const int error = errno;
    close(fd);
    if (mapped == MAP_FAILED) {
        why = "cannot map " + path + ": " + std::strerror(error);
        return nullptr;
    }
    return std::unique_ptr<SharedSimFile>(new SharedSimFile(name, static_cast<SimState *>(mapped)));
}

SharedSimFile::~SharedSimFile()
{
    munmap(m_state, sizeof(SimState));
}

bool SharedSimFile::reset(const std::string &name, std::string &why)
{
    const std::string path = pathOf(name, why);
    if (path.empty())
        return false;
    std::string invalid;
    if (const int fd = openChecked(path, name, invalid); fd >= 0) {
        const SimState fresh = FreshSimState();
        const bool written = pwrite(fd, &fresh, sizeof fresh, 0) == sizeof fresh;
        if (!written)
            why = "cannot write " + path + ": " + std::strerror(errno);
        close(fd);
        return written;
    }
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return true;
        why = "cannot look at " + path + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        why = path + " is a folder; remove it";
        return false;
    }
    if (unlink(path.c_str()) != 0) {
        why = "cannot remove " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
