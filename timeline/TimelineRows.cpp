#include "TimelineRows.h"

#include <utility>

std::vector<TimelineRow> DefaultTimelineRows()
{
    std::vector<TimelineRow> rows;
    for (const ConnectorPin *pin : kDataPins)
        rows.push_back({TimelineRow::Pin, PinGroup::Data, pin->number});
    rows.push_back({TimelineRow::DataByte, PinGroup::Data});
    for (const unsigned number : {15u, 13u, 12u, 10u, 11u}) // S3 to S7
        rows.push_back({TimelineRow::Pin, PinGroup::Status, number});
    for (const unsigned number : {1u, 14u, 16u, 17u}) // C0 to C3
        rows.push_back({TimelineRow::Pin, PinGroup::Control, number});
    return rows;
}

bool MoveTimelineRow(std::vector<TimelineRow> &rows, int index, int by)
{
    const int other = index + by;
    if (index < 0 || other < 0 || index >= int(rows.size()) || other >= int(rows.size()) ||
        rows[index].group != rows[other].group)
        return false;
    std::swap(rows[index], rows[other]);
    return true;
}
