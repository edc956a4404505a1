// The command's fixed texts. The Japanese ones are Shift_JIS (code page 932), as on the machines
// the disks come from, and are written as such whatever the locale.
#ifndef TOOL_MESSAGES_H
#define TOOL_MESSAGES_H

// "のディスクを認識しました.\n", after the title: "'s disk was recognised."
constexpr char kRecognisedText[] =
    "\x82\xCC\x83\x66\x83\x42\x83\x58\x83\x4E\x82\xF0\x94\x46\x8E\xAF\x82\xB5\x82\xDC\x82\xB5\x82"
    "\xBD.\n";
// "ファイルをオープンできません.\n": "The file cannot be opened."
constexpr char kCannotOpenText[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x83\x49\x81\x5B\x83\x76\x83\x93\x82\xC5\x82\xAB\x82"
    "\xDC\x82\xB9\x82\xF1.\n";

// Diagnostics beyond those texts are plain English and start with the command's name.
constexpr char kDiagnosticPrefix[] = "castle-extract: ";

#endif  // TOOL_MESSAGES_H
