#pragma once

class Clock;
class FileListModel;
class MessageBoxes;
class MessagePump;
class RenderEngine;
class RunView;

// The "Save As Text" run: every listed file, in list order, through the engine into a .txt
// beside it.
class ConversionRun
{
public:
    ConversionRun(FileListModel &list, RunView &view, RenderEngine &engine, MessagePump &pump,
                  Clock &clock, MessageBoxes &messages);

    // Converts the whole list and tells the user how it went. Returns when the run is over.
    void run();

private:
    FileListModel &m_list;
    RunView &m_view;
    RenderEngine &m_engine;
    MessagePump &m_pump;
    Clock &m_clock;
    MessageBoxes &m_messages;
};
