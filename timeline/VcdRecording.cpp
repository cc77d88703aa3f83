#include "VcdRecording.h"

#include "PinTable.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace {

// '!' onwards, one printable identifier per pin.
char identifier(unsigned number)
{
    return static_cast<char>('!' + number - 1);
}

std::string failure(const std::string &path, int error)
{
    return path + ": " + std::strerror(error);
}

} // namespace

std::unique_ptr<VcdRecording> VcdRecording::create(const std::string &path, const PinSample &first,
                                                   std::chrono::system_clock::time_point created,
                                                   std::string &error)
{
    std::FILE *file = std::fopen(path.c_str(), "wex");
    if (!file) {
        error = failure(path, errno);
        return nullptr;
    }
    const std::time_t now = std::chrono::system_clock::to_time_t(created);
    std::tm fields{};
    gmtime_r(&now, &fields);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%SZ", &fields);
    std::fprintf(file,
                 "$date %s $end\n$version zelvane %s $end\n$timescale 1us $end\n"
                 "$scope module parport $end\n",
                 date, ZELVANE_VERSION);
    for (unsigned number = 1; number <= Trace::kSignalPins; ++number) {
        const std::string_view label = kConnectorPins[number - 1].label;
        std::fprintf(file, "$var wire 1 %c %.*s $end\n", identifier(number),
                     static_cast<int>(label.size()), label.data());
    }
    std::fprintf(file, "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n");
    for (unsigned number = 1; number <= Trace::kSignalPins; ++number)
        std::fprintf(file, "%u%c\n", (first.levels >> number) & 1u, identifier(number));
    std::fprintf(file, "$end\n");
    std::fflush(file);
    return std::unique_ptr<VcdRecording>(new VcdRecording(path, file, first));
}

VcdRecording::VcdRecording(std::string path, std::FILE *file, const PinSample &first)
    : m_path(std::move(path)), m_file(file), m_origin(first.t), m_levels(first.levels)
{
}

VcdRecording::~VcdRecording()
{
    if (m_file)
        std::fclose(m_file);
}

// A change in the first microsecond is stamped #1, so that it shows as an edge after #0.
void VcdRecording::stamp(std::int64_t t)
{
    const long long at = std::max<long long>({(t - m_origin) / 1000, m_lastStamp, 1});
    if (at != m_lastStamp)
        std::fprintf(m_file, "#%lld\n", at);
    m_lastStamp = at;
}

void VcdRecording::add(const PinSample &sample)
{
    const std::uint32_t changed =
        (sample.levels ^ m_levels) & (((1u << Trace::kSignalPins) - 1) << 1);
    if (!m_file || changed == 0)
        return;
    stamp(sample.t);
    for (unsigned number = 1; number <= Trace::kSignalPins; ++number)
        if ((changed >> number) & 1u)
            std::fprintf(m_file, "%u%c\n", (sample.levels >> number) & 1u, identifier(number));
    m_levels = sample.levels;
}

bool VcdRecording::finish(std::int64_t end, std::string &error)
{
    if (!m_file)
        return false;
    stamp(std::max<std::int64_t>(end, m_origin + (m_lastStamp + 1) * 1000));
    const bool written = std::fflush(m_file) == 0 && !std::ferror(m_file);
    const int writeError = errno;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (written && closed)
        return true;
    error = failure(m_path, written ? errno : writeError);
    return false;
}
