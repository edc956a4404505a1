// Telling the user when the sectors a file is cut from were imperfect on the disk the image was
// dumped from. Dumps of copy-protected disks often are: a sector read with an error is stored
// with the controller's status, deleted data with its mark, and a protection trick may store an
// ID twice on a track. The file is written all the same; the diagnostics only inform.
#ifndef TOOL_SECTOR_HEALTH_H
#define TOOL_SECTOR_HEALTH_H

// For each sector of the run that the cut read from (its first `got` bytes, and the sector that
// ended the run early, where one did), one diagnostic line per thing wrong with its record.
void ReportSuspectSectors(const char* name, int track, int c, int h, int r, int n, int runLength,
                          int got);

// Forgets what is known of the tracks: another image is being cut.
void ForgetSuspectSectors();

#endif  // TOOL_SECTOR_HEALTH_H
