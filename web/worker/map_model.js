// The disk as the page draws it, from d88-info's report of one image: each present track with
// at most so many marks (the rest counted; the marks of all tracks packed in one array, each
// track's from `first`, `count` of them), what its walk joins, each file's run with the sector
// it breaks at, and the odd sectors. The page stays a few thousand elements whatever the file
// holds.

import { packMarks } from '../common/packed_marks.js';

// Most records d88-info lists of a track, and most marks the map draws over all tracks.
export const kRecordsAsked = 64;
const kMaxMarks = 4800;
const kMaxOddListed = 50;

const nominal = (s) => (s.n <= 23 ? 128 * 2 ** s.n : -1);
const isOdd = (s) => s.size !== nominal(s) || s.deleted !== 0 || s.status !== 0;
const sameId = (a, b) => a.c === b.c && a.h === b.h && a.r === b.r && a.n === b.n;

// Each file's run: where it breaks (the first sector that gives fewer bytes than the run takes
// from it), and the record each sector before that is read from, as "track/index" of the
// track's own records.
function followRuns(files, byTrack) {
  const owners = new Map();
  const runs = files.map((file, number) => {
    let left = file.skip + file.length;
    let broken = null;
    for (const step of file.sectors) {
      const taken = Math.min(nominal(step), left);
      if (step.read < taken) {
        broken = { step, found: step.read > 0 };
        break;
      }
      const track = byTrack.get(step.track);
      const index = track ? track.sectors.findIndex((s) => sameId(s, step)) : -1;
      if (index >= 0) owners.set(`${step.track}/${index}`, number);
      left -= taken;
    }
    return { name: file.name, complemented: file.complemented, sectors: file.sectors, broken };
  });
  return { runs, owners };
}

// What the track's walk takes from other tracks, as the map says it: the first such run.
function joinOf(track) {
  if (!track.same_as) return null;
  const { image, track: number, record = 0 } = track.same_as;
  return { image, track: number, record };
}

export function mapModel(report) {
  const image = (report.images || []).find((entry) => entry.tracks);
  if (!report.d88 || !image || !image.readable) return null;
  const signature = report.signature;
  const byTrack = new Map(image.tracks.map((track) => [track.track, track]));
  const { runs, owners } = followRuns(signature.title ? signature.files : [], byTrack);
  const withRecords = image.tracks.filter((track) => track.sectors.length > 0).length;
  const cap = Math.max(1, Math.floor(kMaxMarks / Math.max(1, withRecords)));
  const odd = [];
  let oddCount = 0;
  const marks = [];
  const tracks = image.tracks.map((track) => {
    for (const s of track.sectors) {
      if (!isOdd(s)) continue;
      ++oddCount;
      if (odd.length < kMaxOddListed) odd.push({ track: track.track, sector: s });
    }
    const first = marks.length;
    track.sectors.slice(0, Math.min(cap, kRecordsAsked)).forEach((s, index) => {
      const owner = owners.get(`${track.track}/${index}`);
      marks.push({ c: s.c, h: s.h, r: s.r, n: s.n, size: s.size, deleted: s.deleted,
                   status: s.status, owner: owner === undefined ? -1 : owner });
    });
    const count = marks.length - first;
    const walk = track.records + (track.not_listed || 0);
    return { track: track.track, walk, first, count, more: track.sectors.length - count +
             (track.not_listed || 0), join: joinOf(track) };
  });
  const images = report.images.map((entry) => ({
    index: entry.index, readable: entry.readable,
    name: entry.readable ? (entry.name_text ?? entry.name) : null,
    media: entry.media, size: entry.size,
  }));
  return {
    imageIndex: image.index, name: image.name_text ?? image.name, media: image.media,
    mediaType: image.media_type, size: image.size, images, imageCount: report.image_count,
    tracks, marks: packMarks(marks), tracksNotListed: image.tracks_not_listed || 0, runs, odd, oddCount,
    signatureTrack: signature.track,
  };
}
