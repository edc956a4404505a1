// Well-known formats other than D88, known by their first bytes: the archives and compressed
// streams D88 images travel in, and the files users drop by mistake. d88-info names them; the
// commands open an archive or a compressed stream by them, never by a file's name.
#ifndef FORMATS_OTHER_FORMATS_H
#define FORMATS_OTHER_FORMATS_H

// The bytes from a file's start that tell every format here: a tar archive's magic lies at
// byte 257.
constexpr int kFileStartLength = 262;

struct OtherFormat {
  const char* bytes;      // its signature
  int at;                 // where the signature lies in the file
  int length;             // its length
  const char* name;       // short and stable, for programs: "zip", "gzip", "7z", "png", ...
  const char* described;  // for people: "a ZIP archive", "gzip-compressed"
  bool packed;            // an archive or a compressed stream, which can hold a D88 image
};

// The other format a file that starts with these bytes is, or null.
const OtherFormat* FindOtherFormat(const unsigned char* start, int length);

// The first format of that short name ("zip"), or null.
const OtherFormat* FindOtherFormatNamed(const char* name);

#endif  // FORMATS_OTHER_FORMATS_H
