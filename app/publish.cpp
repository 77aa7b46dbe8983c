#include "publish.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace app {

namespace {

constexpr const char* program_name = "mountain-ranges-export";

// The start of every temporary name: hidden, and shared by no page and no
// file of the user's, so that what a killed export left can be told apart.
constexpr std::string_view scratch_prefix = ".mountain-ranges-export-";

// The line for a step on `path` that failed with errno.
std::string failed(const char* step, const std::string& path)
{
    return std::string("cannot ") + step + " \"" + path + "\": " + std::strerror(errno);
}

// The whole content of the file at `path`; false with errno set when it cannot be read.
bool read_file(const std::string& path, std::string& bytes)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[65536];
    ssize_t got = 0;
    while ((got = read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(got));
    const int cause = errno;
    close(fd);
    errno = cause;
    return got == 0;
}

// Writes `bytes` to the new file `fd`, syncs it to the disk and closes it;
// false with errno set to the first failure's cause.
bool write_synced(int fd, const std::string& bytes)
{
    ssize_t wrote = 0;
    for (std::size_t done = 0; done < bytes.size() && wrote >= 0; done += static_cast<std::size_t>(wrote))
        wrote = write(fd, bytes.data() + done, bytes.size() - done);
    const bool written = wrote >= 0 && fsync(fd) == 0;
    const int cause = errno;
    const bool closed = close(fd) == 0;
    if (!written)
        errno = cause;
    return written && closed;
}

// A name the set writes a new file to, or clears of an older page.
struct Slot {
    std::string path;
    std::string bytes;      // the new file, sealed; none for a name to clear
    std::string old_bytes;  // the older page of ours there, as read (never empty: it bears the mark)
    mode_t old_mode{};      // and its permissions
    std::string staged;     // the new file's temporary name until it is placed
    std::string kept;       // the older page's temporary name: a link, a copy, or the page itself once moved
    bool placed = false;    // the new file is at `path`, or the older page moved from there
};

enum class Found { nothing, ours, foreign };

// What lies under `path`; a page of ours is read into `slot`. A folder counts
// as nothing: renaming a page onto it fails, which puts the set back. A page
// of ours changed since it was written, or what cannot be told, puts the
// cause in `error`.
Found look_at(const std::string& path, MarkPlace place, Slot& slot, std::string& error)
{
    struct stat info {};  // a mode of 0: nothing there
    if (lstat(path.c_str(), &info) != 0 && errno != ENOENT)
        error = failed("look at", path);
    if (!S_ISREG(info.st_mode))
        return info.st_mode == 0 || S_ISDIR(info.st_mode) ? Found::nothing : Found::foreign;
    std::string bytes;
    if (!read_file(path, bytes)) {
        error = failed("read", path);
        return Found::foreign;
    }
    const Mark mark = read_mark(bytes, place);
    if (mark == Mark::changed)
        error = "\"" + path + "\" was changed after it was written: move it away or pick another folder";
    if (mark != Mark::ours)
        return Found::foreign;
    slot.old_bytes = std::move(bytes);
    slot.old_mode = info.st_mode & 07777U;
    return Found::ours;
}

// A new file of the temporary names in `folder`, open for writing, its name
// in `name`; -1 with the cause in `error` when none can be made.
int scratch_file(const std::string& folder, std::string& name, std::string& error)
{
    name = folder + (folder.back() == '/' ? "" : "/") + std::string(scratch_prefix) + "XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        error = failed("create a file in", folder);
        name.clear();
    }
    return fd;
}

// Writes the new file under a temporary name, with the mode any new file gets.
bool stage(Slot& slot, const std::string& folder, mode_t mode, std::string& error)
{
    const int fd = scratch_file(folder, slot.staged, error);
    if (fd < 0)
        return false;
    fchmod(fd, mode);  // mkstemp's file is private; where modes cannot be set (FAT) it stays so
    if (!write_synced(fd, slot.bytes))
        error = failed("write", slot.path);
    return error.empty();
}

// Keeps the older page under the staged file's name with ".old" added, which
// is as free as that one: a second hard link, or where the file system has
// none a synced copy of the bytes read.
bool keep(Slot& slot, std::string& error)
{
    slot.kept = slot.staged + ".old";
    if (link(slot.path.c_str(), slot.kept.c_str()) == 0)
        return true;
    const int fd = open(slot.kept.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        fchmod(fd, slot.old_mode);  // for the put-back; where modes cannot be set it stays private
    if (fd >= 0 && write_synced(fd, slot.old_bytes))
        return true;
    error = failed("keep a copy of", slot.path);
    if (fd < 0)
        slot.kept.clear();
    return false;
}

// Renames the new file over its name, or the older page of a name to clear
// onto a temporary name made for it.
bool place(Slot& slot, const std::string& folder, std::string& error)
{
    if (!slot.bytes.empty()) {
        slot.placed = std::rename(slot.staged.c_str(), slot.path.c_str()) == 0;
        if (slot.placed)
            slot.staged.clear();
        else
            error = failed("put the new page at", slot.path);
        return slot.placed;
    }
    const int fd = scratch_file(folder, slot.kept, error);
    slot.placed = fd >= 0 && close(fd) == 0 && std::rename(slot.path.c_str(), slot.kept.c_str()) == 0;
    if (!slot.placed && error.empty())
        error = failed("move aside", slot.path);
    return slot.placed;
}

// Removes the temporary names and, unless `done`, puts every older page back
// and clears the names that held none. A step that fails adds to `error`.
void settle(std::vector<Slot>& slots, bool done, std::string& error)
{
    const auto step = [&](bool ok, const char* what, const std::string& path) {
        if (!ok)
            error += (error.empty() ? "" : "; and ") + failed(what, path);
    };
    for (const Slot& slot : slots) {
        if (!slot.staged.empty())
            step(unlink(slot.staged.c_str()) == 0, "remove", slot.staged);
        if (slot.placed && !done && !slot.kept.empty())
            step(std::rename(slot.kept.c_str(), slot.path.c_str()) == 0, "put back", slot.kept);
        else if (slot.placed && !done)
            step(unlink(slot.path.c_str()) == 0, "remove", slot.path);
        else if (!slot.kept.empty())
            step(unlink(slot.kept.c_str()) == 0, "remove", slot.kept);
    }
}

// Removes, once `done`, the temporary files that killed exports left in
// `folder`, then syncs the folder, so that its renames and removals are on
// the disk. A folder that cannot be read keeps both undone; a leftover that
// cannot be removed waits for the next export.
void tidy(const std::string& folder, bool done, std::string& error)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    if (done)
        while (const dirent* entry = readdir(dir))
            if (std::strncmp(entry->d_name, scratch_prefix.data(), scratch_prefix.size()) == 0)
                unlinkat(dirfd(dir), entry->d_name, 0);
    if (fsync(dirfd(dir)) != 0 && errno != EINVAL)  // EINVAL: a file system that cannot sync a folder
        error += (error.empty() ? "" : "; and ") + failed("sync", folder);
    closedir(dir);
}

// Whether one of the signals in `held` waits.
bool signalled(const sigset_t& held)
{
    sigset_t pending;
    sigpending(&pending);
    for (const int number : {SIGINT, SIGTERM, SIGHUP})
        if (sigismember(&held, number) && sigismember(&pending, number))
            return true;
    return false;
}

// Writes the set and puts it in place, as publish.h tells, with SIGINT,
// SIGTERM and SIGHUP held until the folder holds the new set or the old again.
bool publish(const std::string& folder, std::vector<Slot>& slots, std::string& error)
{
    const mode_t mask = umask(0);
    umask(mask);
    sigset_t held;
    sigset_t before;
    sigemptyset(&held);
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action {};
        if (sigaction(number, nullptr, &action) == 0 && action.sa_handler == SIG_DFL)  // not nohup's SIGHUP
            sigaddset(&held, number);
    }
    sigprocmask(SIG_BLOCK, &held, &before);
    bool done = true;
    for (Slot& slot : slots)  // a signal ends the writing between two files
        done = done && !signalled(held) &&
               (slot.bytes.empty() ||
                (stage(slot, folder, 0666 & ~mask, error) && (slot.old_bytes.empty() || keep(slot, error))));
    done = done && !signalled(held);
    for (Slot& slot : slots)
        done = done && place(slot, folder, error);
    settle(slots, done, error);
    tidy(folder, done, error);
    if (signalled(held))
        std::fprintf(stderr, "%s: %s%sinterrupted: \"%s\" holds %s\n", program_name, error.c_str(),
                     error.empty() ? "" : "; ", folder.c_str(), done ? "the whole new set" : "what it held before");
    sigprocmask(SIG_SETMASK, &before, nullptr);  // a signal held ends the program here
    return done && error.empty();
}

}  // namespace

long publish_set(const std::string& folder, const std::vector<SetFile>& files, const std::vector<std::string>& older,
                 MarkPlace mark, std::string& error)
{
    std::vector<Slot> slots;
    for (const SetFile& file : files) {
        Slot& slot = slots.emplace_back();
        slot.path = file.path;
        slot.bytes = file.bytes;
        seal_mark(slot.bytes, mark);
        if (look_at(file.path, mark, slot, error) == Found::foreign && error.empty())
            error = "\"" + file.path + "\" is not a page of ours: move it away or pick another folder";
        if (!error.empty())
            return -1;
    }
    for (const std::string& path : older) {
        Slot slot;
        slot.path = path;
        if (look_at(path, mark, slot, error) == Found::ours)
            slots.push_back(std::move(slot));
        if (!error.empty())
            return -1;
    }
    if (!publish(folder, slots, error))
        return -1;
    return static_cast<long>(slots.size() - files.size());
}

}  // namespace app
