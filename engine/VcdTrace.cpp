#include "VcdTrace.h"

#include "MessageText.h"
#include "PinTable.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

// '!' onwards: the printable identifiers the format allows, one character for each pin.
char identifier(std::size_t index)
{
    return static_cast<char>('!' + index);
}

std::string failure(const std::string &path, int error)
{
    return QuotedForMessage(path, 60) + ": " + std::strerror(error);
}

// "-" is standard output, for a viewer reading the trace live; a copy of it, so that the
// trace's close leaves the program's own.
std::FILE *openTrace(const std::string &path, bool replace)
{
    if (path != "-")
        return std::fopen(path.c_str(), replace ? "we" : "wex");
    const int copy = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    std::FILE *file = copy < 0 ? nullptr : fdopen(copy, "w");
    if (!file && copy >= 0) {
        const int error = errno;
        close(copy);
        errno = error;
    }
    return file;
}

} // namespace

std::unique_ptr<VcdTrace> VcdTrace::create(const std::string &path,
                                           const std::vector<const ConnectorPin *> &pins,
                                           const std::vector<unsigned> &levels,
                                           const Header &header, std::string &error)
{
    std::FILE *file = openTrace(path, header.replace);
    if (!file) {
        error = failure(path, errno);
        return nullptr;
    }
    const std::time_t created = std::chrono::system_clock::to_time_t(header.created);
    std::tm fields{};
    gmtime_r(&created, &fields);
    char date[64];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%SZ", &fields);
    std::fprintf(file,
                 "$date %s $end\n$version %s %s $end\n$timescale 1us $end\n"
                 "$scope module parport $end\n",
                 date, header.program.c_str(), ZELVANE_VERSION);
    for (std::size_t i = 0; i < pins.size(); ++i)
        std::fprintf(file, "$var wire 1 %c %.*s $end\n", identifier(i),
                     static_cast<int>(pins[i]->label.size()), pins[i]->label.data());
    std::fprintf(file, "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n");
    for (std::size_t i = 0; i < pins.size(); ++i)
        std::fprintf(file, "%u%c\n", levels[i] & 1u, identifier(i));
    std::fprintf(file, "$end\n");
    std::fflush(file);
    return std::unique_ptr<VcdTrace>(new VcdTrace(path, file, pins, levels));
}

VcdTrace::VcdTrace(std::string path, std::FILE *file, std::vector<const ConnectorPin *> pins,
                   const std::vector<unsigned> &levels)
    : m_path(std::move(path)), m_file(file), m_pins(std::move(pins)), m_levels(levels),
      m_changedAt(m_pins.size(), 0)
{
}

VcdTrace::~VcdTrace()
{
    if (m_file)
        std::fclose(m_file);
}

// A wire changed twice under one stamp would show a viewer only its last level, and lose the
// pulse between: the second change goes a microsecond on.
long long VcdTrace::timeFor(std::size_t index, Microseconds at) const
{
    const long long time = std::max<long long>({at.count(), m_lastTime, 1});
    return m_changedAt[index] == time ? time + 1 : time;
}

void VcdTrace::stampTime(long long time)
{
    if (time != m_lastTime)
        std::fprintf(m_file, "#%lld\n", time);
    m_lastTime = time;
}

void VcdTrace::change(const ConnectorPin &pin, unsigned level, Microseconds at)
{
    const auto found = std::find(m_pins.begin(), m_pins.end(), &pin);
    if (found == m_pins.end())
        return;
    const std::size_t index = static_cast<std::size_t>(found - m_pins.begin());
    if (m_levels[index] == level)
        return;
    stampTime(timeFor(index, at));
    write(index, level);
    std::fflush(m_file); // a viewer or a script following the file sees each change at once
}

void VcdTrace::change(const std::vector<unsigned> &levels, Microseconds at)
{
    const std::size_t count = std::min(m_pins.size(), levels.size());
    long long time = -1;
    for (std::size_t index = 0; index < count; ++index)
        if (m_levels[index] != levels[index])
            time = std::max(time, timeFor(index, at));
    if (time < 0)
        return;
    stampTime(time);
    for (std::size_t index = 0; index < count; ++index)
        if (m_levels[index] != levels[index])
            write(index, levels[index]);
    std::fflush(m_file);
}

void VcdTrace::write(std::size_t index, unsigned level)
{
    std::fprintf(m_file, "%u%c\n", level & 1u, identifier(index));
    m_levels[index] = level;
    m_changedAt[index] = m_lastTime;
}

bool VcdTrace::finish(Microseconds end, std::string &error)
{
    stampTime(std::max<long long>(end.count(), m_lastTime + 1));
    const bool written = !std::ferror(m_file);
    const int writeError = errno;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (written && closed)
        return true;
    error = failure(m_path, written ? errno : writeError);
    return false;
}
