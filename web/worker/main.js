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
import { castleExtract, d88InfoReport, entryJudge, setModule } from './module_runs.js';
import { Source, UnreadableFile } from './source.js';
import { ArchiveProblem } from './unpacked_bytes.js';

// Archives inside archives are opened this deep: a .tar.gz is two.
const kMaxDepth = 3;

// The first file that is a disk image or an archive the page opens, with d88-info's report of
// it; the first file where none is.
async function chooseFile(files, scope) {
  let first = null;
  for (const [index, file] of files.entries()) {
    const source = Source.of(file);
    const report = await d88InfoReport(source, scope);
    const found = { index, source, report };
    if (report.d88 || kOpenedFormats.includes(report.format)) return found;
    first ||= found;
  }
  return first;
}

// The run; `where` is kept up to date with the file chosen and the entries opened, for a
// failure to name.
async function handle({ files, choice, title, image }, progress, where) {
  // Only what the page draws: the tracks of the image the command reads, some records of each.
  const scope = { image: image ?? 0, records: kRecordsAsked };
  progress(`Reading ${files[0].name}…`);
  let { index, source, report } = await chooseFile(files, scope);
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
    const { kind, disks } = listDisks(source, report.format, judge);
    const picked = choice && choice.depth === depth
      ? disks.find((disk) => disk.place === choice.place) : disks.length === 1 ? disks[0] : null;
    if (disks.length === 0) {
      return { kind: 'failed', index, heading, message: `This ${kind} holds no D88 disk image.` };
    }
    if (!picked) {
      return { kind: 'entries', index, heading, archiveKind: kind, depth,
               disks: disks.map(({ name, place }) => ({ name, place })) };
    }
    progress(`Unpacking ${picked.name}…`);
    source = Source.unpacked(baseName(picked.name), picked.unpack(progress));
    heading.push(picked.name);
    progress(`Reading ${picked.name}…`);
    report = await d88InfoReport(source, scope);
  }
  progress('Cutting the files…');
  const command = await castleExtract(source, { title: title ?? '', image: image ?? '' });
  const signature = report.signature;
  const order = signature.title ? signature.files.map((file) => file.name)
    : ['PROG1', 'PROG2', 'MUSIC', 'VOICE'];
  command.files.sort((a, b) => order.indexOf(a.name) - order.indexOf(b.name));
  return {
    kind: 'disk',
    index,
    heading,
    diskName: source.name,
    command,
    zip: command.files.length > 0 ? filesZip(command.files) : null,
    facts: {
      d88: report.d88, reason: report.reason, format: report.format,
      imageCount: report.image_count, image: signature.image, title: signature.title,
      numbers: signature.numbers, runsPresent: signature.runs_present || [],
      otherImages: signature.other_images || [],
      files: (signature.files || []).map((file) => file.name),
    },
    model: mapModel(report),
  };
}

// What went wrong, in words: the archive's problem or the file's as said, anything else as the
// failure of the page it is.
function failure(error) {
  if (error instanceof ArchiveProblem || error instanceof UnreadableFile) return error.message;
  return `The page failed while reading it (${error && error.message ? error.message : error})`;
}

onmessage = async ({ data }) => {
  if (data.module) {
    setModule(data.module);
    return;
  }
  const { id } = data;
  const where = { index: 0, heading: [data.files[0].name] };
  try {
    const result = await handle(data, (text) => postMessage({ id, progress: text }), where);
    const { command, zip, model } = result;
    // The bytes and the map's marks move to the page rather than being copied.
    const moved = command ? [command.out, command.err, ...command.files.map((f) => f.bytes), zip,
                             model && model.marks] : [];
    postMessage({ id, result }, moved.filter(Boolean).map((bytes) => bytes.buffer));
  } catch (error) {
    postMessage({ id, result: { kind: 'failed', ...where, message: failure(error) } });
  }
};
