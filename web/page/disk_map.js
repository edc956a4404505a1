// The map of the disk: a row per cylinder (track / 2), its two sides (track % 2) side by side,
// a mark per sector in stored order, laid out for however many marks the widest track has.
// Drawn a part at a time, so that no task of the page takes long. Pointing at a
// mark tells what it is; by keyboard, the up and down arrows move between tracks and the left
// and right arrows between a track's sectors.
import { $, layOutNow } from './view.js';
import { nominal, oddMarks, sectorId } from './disk_lists.js';
import { unpackMark } from '../common/packed_marks.js';

const kRowHeight = 10;
const kMarkWidth = 12;
const kLabelWidth = 18;
const kHeaderHeight = 12;
const kSideGap = 10;
const kLeastMarks = 17;  // 16 sectors, and room for a short note
const kCharWidth = 4.3;  // of the 7-unit monospace text after a track's marks
const kScale = 1.5;  // pixels a unit at least: legible on any screen, the frame scrolls instead
// Each step draws and lays out as much as fits in its time, learnt from the step before: a
// fast machine draws a disk in few steps, a slow one in more, and none takes long.
const kStepBudgetMs = 8;
const kFirstStepCost = 300;
const kStepGrowth = 2;  // at most twice as much as the step before
// And at most this much however fast the machine: a step that took 8 ms on an idle machine
// takes several times that on a busy one.
const kMostStepCost = 2400;
const kTrackCost = 40;  // a track's group, band, label and note take as long as 40 marks

function joinText(track) {
  if (!track.join) return '';
  const { track: number, record } = track.join;
  return `= track ${number}${record ? ` from its record ${record + 1}` : ''}`;
}

// What follows a track's marks: how many records it has past them, and whose records its walk
// goes on through.
function note(track) {
  return [track.more > 0 ? `+${track.more} more` : '', joinText(track)].filter(Boolean).join(' ');
}

const markOf = (model, track, index) => unpackMark(model.marks, track.first + index);
const marksOf = (model, track) => Array.from({ length: track.count },
                                             (_, index) => markOf(model, track, index));

function describe(sector, runs) {
  const marks = oddMarks(sector);
  if (sector.size === nominal(sector)) marks.unshift(`${sector.size} bytes`);
  if (sector.owner >= 0) marks.push(runs[sector.owner].name);
  return `${sectorId(sector)}: ${marks.join(', ')}`;
}

function trackLabel(track) {
  const join = joinText(track);
  return `track ${track.track}: ${track.walk} sector${track.walk === 1 ? '' : 's'}` +
         (track.more > 0 ? `, ${track.more} not drawn` : '') + (join ? `, then ${join}` : '');
}

function trackText(track, model) {
  const join = joinText(track);
  return `track ${track.track}: ` +
    (marksOf(model, track).map((mark) => describe(mark, model.runs)).join('; ') ||
     'no records of its own') +
    (track.more > 0 ? `; and ${track.more} more` : '') + (join ? `; then ${join}` : '');
}

const kPatterns = '<defs>' +
  '<pattern id="pattern-1" width="3" height="3" patternUnits="userSpaceOnUse" ' +
  'patternTransform="rotate(45)"><rect width="3" height="3" class="p1"/>' +
  '<rect width="1" height="3" class="pl"/></pattern>' +
  '<pattern id="pattern-2" width="3" height="3" patternUnits="userSpaceOnUse">' +
  '<rect width="3" height="3" class="p2"/><circle cx="1.5" cy="1.5" r="0.8" class="pl"/>' +
  '</pattern>' +
  '<pattern id="pattern-3" width="3" height="3" patternUnits="userSpaceOnUse">' +
  '<rect width="3" height="3" class="p3"/><rect width="3" height="1" class="pl"/></pattern>' +
  '</defs>';

// Where things go: each side as wide as its widest track's marks and note.
function layout(model) {
  const widest = Math.max(kLeastMarks * kMarkWidth, ...model.tracks.map((track) => {
    const text = note(track);
    return track.count * kMarkWidth + (text ? 2 + text.length * kCharWidth : 0);
  }));
  const sideWidth = Math.ceil(widest);
  const lastTrack = Math.max(model.signatureTrack, ...model.tracks.map((t) => t.track));
  const place = (track, index) => ({
    x: kLabelWidth + (track % 2) * (sideWidth + kSideGap) + index * kMarkWidth,
    y: kHeaderHeight + Math.floor(track / 2) * kRowHeight,
  });
  return {
    sideWidth, place,
    width: kLabelWidth + 2 * sideWidth + kSideGap,
    height: kHeaderHeight + Math.floor(lastTrack / 2 + 1) * kRowHeight,
    lastTrack,
  };
}

function trackSvg(track, at, model, { sideWidth, place }) {
  const { x, y } = place(track.track, 0);
  let svg = `<g data-track="${track.track}" data-at="${at}" tabindex="${at === 0 ? 0 : -1}" ` +
            `role="img" aria-label="${trackLabel(track)}"` +
            `${track.track === model.signatureTrack ? ' class="signature"' : ''}>` +
            `<rect class="band" x="${x - 1}" y="${y}" width="${sideWidth + 2}" height="${kRowHeight}"/>`;
  // One path for each kind of mark on the track, and one for the outlines of odd sectors.
  const paths = new Map();
  let outlines = '';
  marksOf(model, track).forEach((mark, index) => {
    const box = `M${x + index * kMarkWidth} ${y + 1}h${kMarkWidth - 1}v${kRowHeight - 2}` +
                `h${1 - kMarkWidth}z`;
    const kind = mark.owner >= 0 ? `sector f${mark.owner}` : 'sector';
    paths.set(kind, (paths.get(kind) || '') + box);
    if (oddMarks(mark).length > 0) outlines += box;
  });
  for (const [kind, d] of paths) svg += `<path class="${kind}" d="${d}"/>`;
  if (outlines) svg += `<path class="odd" fill="none" d="${outlines}"/>`;
  const text = note(track);
  if (text) {
    svg += `<text class="more" x="${x + track.count * kMarkWidth + 1}" y="${y + 7.5}">` +
           `${text}</text>`;
  }
  return `${svg}</g>`;
}

// Draws the map, which takes part in the page's layout, a step at a time, each step laid out
// as it is drawn, pausing as `pause` (from pacer) decides; false where a newer choice stopped it.
export async function drawMap(model, pause) {
  const map = $('track-map');
  const where = layout(model);
  const { place } = where;
  map.setAttribute('viewBox', `0 0 ${where.width} ${where.height}`);
  map.style.minWidth = `${Math.ceil(where.width * kScale)}px`;
  let head = kPatterns;
  for (const side of [0, 1]) {
    head += `<text x="${place(side, 0).x}" y="8">side ${side} (head ${side})</text>`;
  }
  for (let cylinder = 0; cylinder <= where.lastTrack / 2; cylinder += 5) {
    head += `<text x="1" y="${place(2 * cylinder, 0).y + 7.5}">${cylinder}</text>`;
  }
  map.innerHTML = head;
  const { tracks } = model;
  let stepCost = kFirstStepCost;
  for (let first = 0, last = 0; first < tracks.length; first = last) {
    if (!await pause()) return false;
    const start = performance.now();
    let svg = '';
    let cost = 0;
    for (; last < tracks.length && cost < stepCost; ++last) {
      cost += tracks[last].count + kTrackCost;
      svg += trackSvg(tracks[last], last, model, where);
    }
    map.insertAdjacentHTML('beforeend', svg);
    layOutNow();
    const took = Math.max(performance.now() - start, 1);
    stepCost = Math.max(kTrackCost, Math.min(cost * kStepGrowth, (cost * kStepBudgetMs) / took,
                                              kMostStepCost));
  }
  // A run that breaks shows where: a dashed mark after the marks of the track it could not read.
  let breaks = '<rect class="cursor" hidden width="12" height="10"/>';
  for (const run of model.runs) {
    if (!run.broken) continue;
    const track = tracks.find((t) => t.track === run.broken.step.track);
    const at = place(run.broken.step.track, track ? track.count : 0);
    breaks += `<rect class="break" x="${at.x}" y="${at.y + 1}" width="${kMarkWidth - 1}" ` +
              `height="${kRowHeight - 2}"/>`;
  }
  map.insertAdjacentHTML('beforeend', breaks);
  connect(map, model, where);
  return true;
}

// Whether the map is wider than its frame, which then scrolls: said in words.
export function sayWhetherItScrolls() {
  const frame = $('map-frame');
  $('map-scrolls').hidden = frame.scrollWidth <= frame.clientWidth + 1;
}

// The map's listeners, set once for the page's life, speak of the disk drawn last: `shown`.
let shown = null;  // { model, where, byNumber }
let sector = -1;   // the sector the keyboard is on, in the focused track

// The track and sector index under a point of the screen, or null.
function sectorAt(map, clientX, clientY) {
  const { model, where: { sideWidth, place }, byNumber } = shown;
  const matrix = map.getScreenCTM();
  if (!matrix) return null;
  const at = new DOMPoint(clientX, clientY).matrixTransform(matrix.inverse());
  const side = at.x >= place(1, 0).x - kSideGap / 2 ? 1 : 0;
  const row = Math.floor((at.y - place(0, 0).y) / kRowHeight);
  const track = byNumber.get(row * 2 + side);
  const index = Math.floor((at.x - place(side, 0).x) / kMarkWidth);
  if (!track || index < 0 || index >= track.count || at.x > place(side, 0).x + sideWidth) {
    return null;
  }
  return { track, index, model };
}

function showSector(map, track) {
  const { model, where: { place } } = shown;
  const cursor = map.querySelector('.cursor');
  const { x, y } = place(track.track, sector);
  cursor.setAttribute('x', x - 0.5);
  cursor.setAttribute('y', y + 0.5);
  cursor.removeAttribute('hidden');
  const text = `track ${track.track}, sector ${sector + 1} of ${track.count}: ` +
               describe(markOf(model, track, sector), model.runs);
  $('map-detail').textContent = text;
  $('map-said').textContent = text;  // spoken: the keyboard moved here, the pointer never speaks
}

function listen(map) {
  const groups = () => map.querySelectorAll('g[data-at]');
  map.addEventListener('mousemove', (event) => {
    const found = shown && sectorAt(map, event.clientX, event.clientY);
    if (!found) return;
    $('map-detail').textContent =
      `track ${found.track.track}, ${describe(markOf(found.model, found.track, found.index), found.model.runs)}`;
  });
  // A click or a tap picks the sector under it, whose details stay as focus moves to its track.
  map.addEventListener('pointerdown', (event) => {
    const found = shown && sectorAt(map, event.clientX, event.clientY);
    if (found) sector = found.index;
  });
  map.addEventListener('focusin', (event) => {
    const group = shown && event.target.closest('g[data-at]');
    if (!group) return;
    const track = shown.model.tracks[Number(group.dataset.at)];
    sector = Math.min(sector, track.count - 1);
    if (sector >= 0) {
      showSector(map, track);
    } else {
      map.querySelector('.cursor').setAttribute('hidden', '');
      $('map-detail').textContent = trackText(track, shown.model);
    }
  });
  map.addEventListener('keydown', (event) => {
    if (!shown) return;
    const all = [...groups()];
    const at = all.indexOf(document.activeElement);
    if (at < 0) return;
    const track = shown.model.tracks[at];
    if (event.key === 'ArrowLeft' || event.key === 'ArrowRight') {
      const to = sector + (event.key === 'ArrowRight' ? 1 : -1);
      event.preventDefault();
      if (to < 0 || to >= track.count) return;
      sector = to;
      showSector(map, track);
      return;
    }
    const to = { ArrowDown: at + 1, ArrowUp: at - 1, Home: 0, End: all.length - 1 }[event.key];
    if (to === undefined || !all[to]) return;
    event.preventDefault();
    all[at].setAttribute('tabindex', -1);
    all[to].setAttribute('tabindex', 0);
    all[to].focus();
  });
}

let listening = false;

function connect(map, model, where) {
  shown = { model, where, byNumber: new Map(model.tracks.map((track) => [track.track, track])) };
  sector = -1;
  $('map-detail').textContent =
    'Point at a sector, or move through the map with the arrow keys (up and down between ' +
    'tracks, left and right between sectors), to see its ID and size.';
  if (!listening) {
    listen(map);
    listening = true;
  }
}

// The map of a result no longer shown: its listeners say nothing of it.
export function forgetMap() {
  shown = null;
  sector = -1;
}
