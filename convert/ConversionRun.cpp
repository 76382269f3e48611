#include "convert/ConversionRun.h"

ConversionRun::ConversionRun(FileListModel &list, RunView &view, RenderEngine &engine,
                             MessagePump &pump, Clock &clock, MessageBoxes &messages)
    : m_list(list)
    , m_view(view)
    , m_engine(engine)
    , m_pump(pump)
    , m_clock(clock)
    , m_messages(messages)
{
}

void ConversionRun::run()
{
}
