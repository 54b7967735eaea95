#pragma once

// The frame-window classes of the Office applications whose open windows
// hold up the program's start: "OpusApp" (Word), "PP11FrameClass" and
// "PP12FrameClass" (PowerPoint), "XLMAIN" (Excel), compared without regard
// to case.

// The document extension whose registered program stands for the
// application of that window class (binaryExtensionOf: ".doc", ".ppt" or
// ".xls"), or null when the class is not an Office frame (or null).
const char* officeExtensionOfWindowClass(const char* className);
