// What the commands need of the operating system beyond the C library, behind one small seam:
// opening the disk image, replacing an output file safely, writing text to a terminal, and the
// start and end of a run. One implementation per system family is built (POSIX, Windows); the
// reader and the title knowledge never see any of it.
#ifndef PLATFORM_PLATFORM_H
#define PLATFORM_PLATFORM_H

#include <cstdint>
#include <cstdio>

// The largest file the reader can index: its offsets stop at 2^31 - 1, and an image there still
// needs its header.
constexpr int64_t kMaxIndexedFileSize = INT64_C(0x7FFFFFFF) + 688;

// --- The start and end of a run ---

// Arguments as the command sees them: on POSIX those given to main, on Windows the wide
// command line converted to UTF-8. Call first thing in main.
void StartCommand(int* argc, char*** argv);

// True when the command has a console window of its own, as when a file was dropped onto it in
// Windows Explorer: the window then stays open until Enter is pressed, so that the messages can be
// read. Never on POSIX systems, where a terminal outlives the command.
bool RunsInItsOwnWindow();

// Why standard output cannot be written, asked of the system after a write failed inside printf,
// where the C library kept no reason (a pipe whose reader went away is EPIPE); EIO when the
// system cannot tell.
int StandardOutputError();

// Whether an argument asks for help: --help, and on Windows /? as well.
bool IsHelpOption(const char* argument);

// The option's name when argv[*next] is it with a value, as "NAME VALUE" or "NAME=VALUE", with
// *value set and *next moved past a separate value; null otherwise.
const char* OptionWithValue(const char* name, int argc, char** argv, int* next, const char** value);

// A number of an option or argument, in decimal or in hex after 0x, from low to high; nothing
// else (no sign, no octal, no spaces). Both commands read their numbers so.
bool ParseNumber(const char* text, int low, int high, int* value);

// Flushes standard output. On failure writes "<program>: cannot write standard output: reason"
// on standard error and returns false: output that never arrived is no success.
bool FinishStandardOutput(const char* program);

// False only for a program started with no standard output at all, as Windows starts one with
// DETACHED_PROCESS: what it prints goes nowhere, which is then no failure. (A POSIX program's
// closed standard output is one: something meant to read it.)
bool HasStandardOutput();

// --- The disk image ---

// How opening the disk image went, beyond the stream itself.
struct InputOpening {
  int error = 0;               // why it could not be opened, for ErrorText; 0 where step says it
  const char* step = nullptr;  // the step that failed, where it was not opening the file itself
                               // ("cannot copy it to a temporary file in /tmp"), or the whole
                               // reason in words when error is 0
  bool cutShort = false;       // input that cannot seek held more than a D88 file can: it is cut
};

// Opens the file for binary reading; "-" is standard input on POSIX systems. A directory is
// refused (EISDIR). The image's identity is
// kept for IsInputFile. Returns null, with the reason in *opening, when it cannot be opened.
// Nothing is read yet: PrepareInput makes the stream what the reader needs.
std::FILE* OpenInputFile(const char* path, InputOpening* opening);

// Makes an opened input a stream the reader can seek in, taking the stream over. A file is
// used as it is; input that cannot seek, such as a pipe, is copied once into an anonymous
// temporary file in TemporaryDirectory(), at most kMaxIndexedFileSize bytes of it. Returns
// null, with the reason in *opening, when that fails. Done after a -C directory is entered, so
// that a mistyped directory is said before a long pipe is copied.
std::FILE* PrepareInput(std::FILE* input, InputOpening* opening);

// Bytes of an open file from offset on (length of them at most), without moving it: how many it
// has there.
int ReadFileAt(std::FILE* file, int64_t offset, unsigned char* dest, int length);

// The first bytes of an open file.
inline int ReadFileStart(std::FILE* file, unsigned char* start, int length) {
  return ReadFileAt(file, 0, start, length);
}

// A new file in TemporaryDirectory() that no name leads to, gone when it is closed: where input
// that cannot be read in place (a pipe, an image unpacked from an archive) is copied. Null with
// errno set when it cannot be made. POSIX systems only.
std::FILE* AnonymousTemporaryFile();

// "cannot copy it to a temporary file in DIR": the step that failed when one cannot be written.
const char* SpoolStep();

// The length of an open file, however large; -1 where it cannot be told.
int64_t FileSize(std::FILE* file);

// The last length bytes of an open file of a known length: how many it has.
inline int ReadFileEnd(std::FILE* file, unsigned char* end, int length) {
  const int64_t size = FileSize(file);
  return size >= length ? ReadFileAt(file, size - length, end, length) : 0;
}

// Why the disk image could not be opened, in words: "No such file or directory", or "cannot
// copy it to a temporary file in /tmp: No space left on device".
const char* OpenFailureText(const InputOpening& opening);

// Where temporary files go: $TMPDIR where it is set, else the system's usual place.
const char* TemporaryDirectory();

// True when `name` in the current directory is the very file opened by OpenInputFile (the same
// file, not a link to it), which an output must never replace.
bool IsInputFile(const char* name);

// The first call notes the current directory; each later one goes back there. A command in its
// own window reads image after image, each path given from where it started, and writes each
// image's files into a folder of its own.
bool ReturnToStartingDirectory(int* error);

// Makes a new folder named after the image without its extension (castle.d88 gives "castle"),
// beside the image or, with inCurrentFolder, in the current folder, and returns its path:
// where the files go when the command runs in its own window. A folder that exists already is
// never used: the next is "castle (2)", then "castle (3)". A name cannot end in a dot or a
// space on Windows, which drops them: they are dropped here first (*trimmed then says so), so
// that the path returned is the folder made. Null with *error set when it cannot be made (a
// name too long is ERROR_FILENAME_EXCED_RANGE, which says so).
const char* MakeFolderForImage(const char* imagePath, bool inCurrentFolder, int* error,
                               bool* trimmed);

// True once the user has asked a run in a window of its own to stop (Ctrl+C, on Windows): it
// then stops between images and sums up what it did and what it left. On POSIX systems a signal
// ends a run at once instead, leaving no temporary file.
bool InterruptRequested();
// Asks for that (true), as the console's Ctrl+C does, or takes it back (false).
void RequestInterrupt(bool interrupt);

// The program's name for its usage line: as invoked on POSIX systems, where scripts see it;
// its file name alone on Windows, where argument 0 is the whole path of the program.
const char* ProgramName(const char* argv0);

// Changes the current directory; false with *error set when it cannot.
bool ChangeDirectory(const char* path, int* error);

// --- Output files ---

// Creates a new temporary file beside `name`, under a name of its own that no other file has,
// and opens it for binary writing. The new file takes the permissions of an existing file
// `name`. Until ReplaceWithTemporary or DiscardTemporary, the temporary file is removed should
// the run be interrupted. Returns null with *error set when it cannot be created.
std::FILE* CreateTemporaryFile(const char* name, int* error);

// Closes the temporary file's stream, once its bytes are on the device, and renames it over
// `name` in one step, itself made durable; false with *error set when it cannot, the temporary
// file then removed and `name` left as it was. A power cut soon after leaves the old file or
// the whole new one, never an empty one.
bool ReplaceWithTemporary(std::FILE* stream, const char* name, int* error);

// Closes the temporary file's stream and removes the file.
void DiscardTemporary(std::FILE* stream);

// The reason an operation of this seam (or of the C library's streams) failed, in words.
const char* ErrorText(int error);

// The error of the stream call that just failed, never 0.
int LastStreamError();

// --- Text ---

// Writes the command's Shift_JIS text to a stream: byte for byte to a file or a pipe, which
// scripts rely on; converted to what a terminal shows (UTF-8 under a UTF-8 locale on POSIX,
// UTF-16 to a Windows console) when the stream is one.
void WriteShiftJis(std::FILE* stream, const char* text);

// Writes UTF-8 text (a path as given, an English message): as bytes, or as UTF-16 to a Windows
// console.
void WriteUtf8(std::FILE* stream, const char* text);

// One diagnostic line on standard error, formatted as printf does. Standard output is flushed
// first, so that the two stay in order where they go to the same place.
void Diagnose(const char* format, ...) __attribute__((format(printf, 1, 2)));

#endif  // PLATFORM_PLATFORM_H
