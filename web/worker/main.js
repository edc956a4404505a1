// The worker behind castle-extract.html. For the file the page chose (or the first of those
// dropped that is a disk image or an archive the page opens) it has d88-info say what it is,
// unpacks it where it is an archive (a .zip, a .gz, a tar, one inside another), then runs
// castle-extract on the disk, each command in a fresh instance of the module, and hands the
// page what they said, the files, a ZIP of them, and a map of the disk cut down to what a page
// can draw. Everything heavy happens here; the page ends a run it no longer wants by ending
// this worker, which also ends an unpacking under way.
import { kOpenedFormats, listDisks } from './archives.js';
import { baseName } from './entry_names.js';
import { filesZip } from './files_zip.js';
import { kRecordsAsked, mapModel } from './map_model.js';
import {
  castleExtract, d88InfoReport, entryJudge, partTimes, setModule, takeInstancesTime, warmUp,
} from './module_runs.js';
import { Source, UnreadableFile } from './source.js';
import { ArchiveProblem } from './unpacked_bytes.js';

// Archives inside archives are opened this deep: a .tar.gz is two.
const kMaxDepth = 3;
// The disk images of an archive the page is sent at most: a person picks among hundreds, and
// finds the rest by a part of their name.
const kMaxListed = 1000;
// A file's first bytes: a D88 header, and the signatures of the archives the page opens.
const kStartLength = 688;
const kTarMagicAt = 257;

// Whether a file's first bytes are those of an archive the page opens: ZIP (an entry, an empty
// archive, a split one's first part), gzip, or tar.
function isOpenedArchive(start) {
  const zip = start[0] === 0x50 && start[1] === 0x4b && [3, 5, 7].includes(start[2]);
  const gzip = start[0] === 0x1f && start[1] === 0x8b;
  const tar = new TextDecoder().decode(start.subarray(kTarMagicAt, kTarMagicAt + 5)) === 'ustar';
  return zip || gzip || tar;
}

// The first file that is a disk image or an archive the page opens, judged by its name and its
// first bytes as the commands judge them, no file read whole before it is chosen; the first
// file where none is.
async function chooseFile(files) {
  const judge = files.length > 1 ? await entryJudge() : null;
  let index = 0;
  for (const [at, file] of files.entries()) {
    if (!judge) break;
    let start = new Uint8Array(0);
    try {
      start = new Uint8Array(new FileReaderSync().readAsArrayBuffer(file.slice(0, kStartLength)));
    } catch {
      continue;  // a folder, or a file gone: said when it is read, if it is the one chosen
    }
    if (isOpenedArchive(start) || judge(file.name, () => start)) {
      index = at;
      break;
    }
  }
  return { index, source: await Source.of(files[index]) };
}

// Labels for the disk images of an archive: their names, and where two share one, their place
// among its D88 files (#N, as castle-extract --entry takes it).
function labelled(disks) {
  const seen = new Map();
  for (const disk of disks) seen.set(disk.name, (seen.get(disk.name) || 0) + 1);
  return disks.map((disk, at) => ({
    ...disk, number: at + 1, label: seen.get(disk.name) > 1 ? `${disk.name} (#${at + 1})` : disk.name,
  }));
}

// How long each part of a run took, in ms, for the bench: where a worker's time goes; and how
// many times each ran (d88-info once for a disk, however many files were dropped with it).
let timings = {};
let runs = {};
async function timed(part, work) {
  const start = performance.now();
  try {
    return await work();
  } finally {
    timings[part] = (timings[part] || 0) + performance.now() - start;
    runs[part] = (runs[part] || 0) + 1;
  }
}

// The run; `where` is kept up to date with the file chosen and the entries opened, for a
// failure to name.

async function handle({ files, choice, title, image, find }, progress, where) {
  // Only what the page draws: the tracks of the image the command reads, some records of each.
  // An archive is judged for what it is alone: the image asked for is one of the disk in it.
  const scope = { image: image ?? 0, records: kRecordsAsked };
  progress(`Reading ${files[0].name}…`);
  let { index, source } = await timed('choose', () => chooseFile(files));
  let report = await timed('report', () => d88InfoReport(
    source, isOpenedArchive(source.read(0, kStartLength)) ? { records: kRecordsAsked } : scope));
  const { heading } = where;
  where.index = index;
  heading[0] = files[index].name;
  let judge = null;
  for (let depth = 0; kOpenedFormats.includes(report.format); ++depth) {
    if (depth === kMaxDepth) {
      throw new ArchiveProblem(`${heading.at(-1)} is an archive inside archives ${kMaxDepth} ` +
                               'deep; unpack it first');
    }
    judge ||= await entryJudge();
    const listed = listDisks(source, report.format, judge);
    const { kind } = listed;
    const disks = labelled(listed.disks);
    const picked = choice && choice.depth === depth && choice.place !== undefined
      ? disks.find((disk) => disk.place === choice.place) : disks.length === 1 ? disks[0] : null;
    if (disks.length === 0) {
      return { kind: 'failed', index, heading, message: `This ${kind} holds no D88 disk image.` };
    }
    if (!picked) {
      // Found by a part of their name where there are more than a page shows.
      const wanted = find ? disks.filter((disk) => disk.name.toLowerCase()
        .includes(find.toLowerCase())) : disks;
      return { kind: 'entries', index, heading, archiveKind: kind, depth, total: disks.length,
               find: find || '', matching: wanted.length,
               disks: wanted.slice(0, kMaxListed).map(({ label, place }) => ({ name: label, place })) };
    }
    progress(`Unpacking ${picked.label}…`);
    source = Source.unpacked(baseName(picked.name), picked.unpack(progress));
    heading.push(picked.label);
    progress(`Reading ${picked.label}…`);
    report = await timed('report', () => d88InfoReport(source, scope));
  }
  progress('Cutting the files…');
  const command = await timed('extract',
                              () => castleExtract(source, { title: title ?? '', image: image ?? '' }));
  const signature = report.signature;
  const order = signature.title ? signature.files.map((file) => file.name)
    : ['PROG1', 'PROG2', 'MUSIC', 'VOICE'];
  command.files.sort((a, b) => order.indexOf(a.name) - order.indexOf(b.name));
  // Where the image read ends past the file's end, the dump is cut short: said wherever it
  // falls, before track 79 or after it.
  const images = report.images || [];
  const read = images.findIndex((entry) => entry.index === signature.image);
  const start = images.slice(0, Math.max(read, 0)).reduce((sum, entry) => sum + (entry.size || 0), 0);
  const wants = read >= 0 ? images[read].size || 0 : 0;
  const cutShort = read >= 0 && start + wants > source.size
    ? { has: Math.max(0, source.size - start), wants } : null;
  return {
    kind: 'disk',
    index,
    heading,
    diskName: source.name,
    command,
    zip: command.files.length > 0 ? await timed('zip', () => filesZip(command.files)) : null,
    facts: {
      d88: report.d88, reason: report.reason, format: report.format,
      imageCount: report.image_count, image: signature.image, title: signature.title,
      numbers: signature.numbers, runsPresent: signature.runs_present || [],
      otherImages: signature.other_images || [],
      files: (signature.files || []).map((file) => file.name),
      cutShort,
    },
    model: await timed('model', () => mapModel(report)),
  };
}

// What went wrong, in words: the archive's problem or the file's as said, anything else as the
// failure of the page it is.
function failure(error) {
  if (error instanceof ArchiveProblem || error instanceof UnreadableFile) return error.message;
  return `The page failed while reading it (${error && error.message ? error.message : error})`;
}

// A small disk of "The Castle" made here (track 0's sectors 1 to 16, track 79's three), read
// once by both commands while the worker waits for the first choice: the module's code is then
// compiled for speed, and the first disk a person chooses is read as fast as the next.
function warmUpDisk() {
  const kHeader = 688;
  const kRecord = 16 + 256;
  const tracks = [[0, Array.from({ length: 16 }, (_, i) => i + 1)], [79, [241, 242, 243]]];
  const size = kHeader + tracks.reduce((sum, [, numbers]) => sum + numbers.length * kRecord, 0);
  const bytes = new Uint8Array(size);
  const view = new DataView(bytes.buffer);
  view.setUint32(28, size, true);
  let at = kHeader;
  for (const [track, numbers] of tracks) {
    view.setUint32(32 + 4 * track, at, true);
    for (const r of numbers) {
      bytes.set([track >> 1, track & 1, r, 1], at);
      view.setUint16(at + 4, numbers.length, true);
      view.setUint16(at + 14, 256, true);
      at += kRecord;
    }
  }
  return Source.unpacked('warm.d88', bytes);
}

async function warmUpCommands() {
  const disk = warmUpDisk();
  await d88InfoReport(disk, { image: 0, records: kRecordsAsked });
  await castleExtract(disk);
  takeInstancesTime();
  for (const key of Object.keys(partTimes)) delete partTimes[key];
}

onmessage = async ({ data }) => {
  if (data.module) {
    setModule(data.module);
    await warmUpCommands();
    warmUp();
    return;
  }
  const { id } = data;
  const where = { index: 0, heading: [data.files[0].name] };
  timings = {};
  runs = {};
  try {
    const result = await handle(data, (text) => postMessage({ id, progress: text }), where);
    result.timings = { ...timings, instances: takeInstancesTime(), ...partTimes };
    result.runs = runs;
    for (const key of Object.keys(partTimes)) delete partTimes[key];
    const { command, zip, model } = result;
    // The bytes and the map's marks move to the page rather than being copied.
    const moved = command ? [command.out, command.err, ...command.files.map((f) => f.bytes), zip,
                             model && model.marks] : [];
    postMessage({ id, result }, moved.filter(Boolean).map((bytes) => bytes.buffer));
  } catch (error) {
    postMessage({ id, result: { kind: 'failed', ...where, message: failure(error) } });
  }
  warmUp();  // the next run's instances, made while the page draws this one
};
