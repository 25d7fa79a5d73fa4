#include "engine/EventsWorkbook.h"

#include "engine/Errors.h"
#include "engine/RunState.h"

namespace orvek {

void convertEventsWorkbook(RunState&, const std::string&, char) {
    throw OrvekError("Events workbooks cannot be read by this build yet.");
}

} // namespace orvek
