// Parses any text into libical's tree: whatever lines and folds it holds, no tree that comes out nests deeper
// than the parser allows, so that freeing it never runs out of stack.
#include "FuzzSupport.h"
#include "platform/calendar/ICalendarParser.h"

#include <algorithm>

using platform::ICalendarParser;

namespace {

int depthOf(icalcomponent* component)
{
    int deepest = 0;
    for (icalcompiter i = icalcomponent_begin_component(component, ICAL_ANY_COMPONENT); icalcompiter_deref(&i);
         icalcompiter_next(&i))
        deepest = std::max(deepest, depthOf(icalcompiter_deref(&i)));
    return deepest + 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::optional<ICalendarParser::Tree> tree
        = ICalendarParser::parse(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (tree && *tree) {
        // Several top-level components come under one XROOT.
        const int allowed = ICalendarParser::maximumNesting + (icalcomponent_isa(tree->get()) == ICAL_XROOT_COMPONENT);
        FUZZ_CHECK(depthOf(tree->get()) <= allowed);
    }
    return 0;
}
