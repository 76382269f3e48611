#pragma once

// The pointer shapes the window and the file list switch between. The numbers are the ones
// the rest of the program compares with ("unless the window shows the hourglass").
enum PointerCode {
    DefaultPointer = 0,
    ArrowPointer = 1,
    HourglassPointer = 11,
    CustomPointer = 99, // the widget's own pointer picture
};
