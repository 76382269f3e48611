#pragma once

class PageEngine;
class MessagePump;
class Clock;
class RandomSource;
class MessageBoxes;
class Desktop;
class FileDialog;
class FolderBrowser;
class CursorPosition;
class TextFileWriter;

// Everything the window reaches outside its own widgets. The program fills it with the real
// services; tests fill it with fakes and run without a display or a browser.
struct Platform
{
    PageEngine &engine;
    MessagePump &pump;
    Clock &clock;
    RandomSource &random;
    MessageBoxes &messages;
    Desktop &desktop;
    FileDialog &fileDialog;
    FolderBrowser &folderBrowser;
    CursorPosition &cursor;
    TextFileWriter &fileWriter;
};
