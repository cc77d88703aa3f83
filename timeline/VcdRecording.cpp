#include "VcdRecording.h"

#include "PinTable.h"

namespace {

void unpack(std::uint32_t levels, std::vector<unsigned> &into)
{
    into.resize(Trace::kSignalPins);
    for (unsigned number = 1; number <= Trace::kSignalPins; ++number)
        into[number - 1] = (levels >> number) & 1u;
}

} // namespace

std::unique_ptr<VcdRecording> VcdRecording::create(const std::string &path, const PinSample &first,
                                                   std::chrono::system_clock::time_point created,
                                                   std::string &error)
{
    std::vector<const ConnectorPin *> pins;
    for (unsigned number = 1; number <= Trace::kSignalPins; ++number)
        pins.push_back(&kConnectorPins[number - 1]);
    std::vector<unsigned> levels;
    unpack(first.levels, levels);
    std::unique_ptr<VcdTrace> trace =
        VcdTrace::create(path, pins, levels, {"zelvane", created, false}, error);
    if (!trace)
        return nullptr;
    return std::unique_ptr<VcdRecording>(new VcdRecording(std::move(trace), first.t));
}

VcdRecording::VcdRecording(std::unique_ptr<VcdTrace> trace, std::int64_t origin)
    : m_trace(std::move(trace)), m_origin(origin)
{
}

Microseconds VcdRecording::since(std::int64_t t) const
{
    return Microseconds((t - m_origin) / 1000);
}

void VcdRecording::add(const PinSample &sample)
{
    unpack(sample.levels, m_levels);
    m_trace->change(m_levels, since(sample.t));
}

bool VcdRecording::finish(std::int64_t end, std::string &error)
{
    return m_trace->finish(since(end), error);
}
