// The disk in words, beside its map: which image is drawn and which images the file holds, each
// file's run (or where it breaks), the legend of the map's marks, and the odd sectors.
import { $, element } from './view.js';
import { hex } from './verdict.js';

export const sectorId = (s) => `C${s.c} H${s.h} R${s.r} N${s.n}`;
export const nominal = (s) => (s.n <= 23 ? 128 * 2 ** s.n : -1);

export function showSummary(model) {
  const others = model.imageCount - 1;
  $('map-summary').textContent =
    `Image ${model.imageIndex} “${model.name}”, ${model.media} (media type ` +
    `${hex(model.mediaType)}), ${model.size} bytes, ${model.tracks.length} tracks` +
    (model.tracksNotListed ? ` (and ${model.tracksNotListed} more not listed: the report ` +
                             'reached its bound)' : '') +
    (others > 0 ? `; the file holds ${model.imageCount} images, and the command reads ` +
                  `image ${model.imageIndex}` : '') + '.';
}

// Every image of a file of several: its name, kind and size, and the title its signature
// carries.
export function showImages(model, otherImages, title) {
  if (model.images.length < 2) return;
  const titles = new Map(otherImages.map(({ image, title: t }) => [image, t]));
  if (title) titles.set(model.imageIndex, title);
  for (const image of model.images) {
    const text = image.readable
      ? `Image ${image.index} “${image.name}”, ${image.media}, ${image.size} bytes`
      : `Image ${image.index}: its header cannot be read`;
    const carries = titles.get(image.index);
    $('images').append(element('li', `${text}${carries ? `: “${carries}”` : ''}` +
                                     `${image.index === model.imageIndex ? ' (shown)' : ''}`));
  }
  $('images').hidden = false;
}

export function showRuns(runs) {
  const where = (s) => `track ${s.track} sector ${s.r} (${sectorId(s)})`;
  for (const run of runs) {
    const first = run.sectors[0];
    const last = run.sectors[run.sectors.length - 1];
    const text = run.broken
      ? `${run.name}: breaks at ${where(run.broken.step)}, which is ` +
        (run.broken.found ? 'shorter than the run needs' : 'not on the disk')
      : `${run.name}: ${run.sectors.length} sectors from ${where(first)} to ${where(last)}` +
        (run.complemented ? ', stored complemented' : '');
    $('runs').append(element('li', text, run.broken ? 'broken' : ''));
  }
}

function swatch(className) {
  const made = document.createElementNS('http://www.w3.org/2000/svg', 'svg');
  made.setAttribute('viewBox', '0 0 14 9');
  made.setAttribute('aria-hidden', 'true');
  made.innerHTML = `<rect width="14" height="9" class="${className}"/>`;
  return made;
}

export function showLegend(runs, signatureTrack) {
  const entries = runs.map((run, number) => [`sector f${number}`, `sectors of ${run.name}`]);
  entries.push(['sector odd', 'outlined: a sector whose size is not 128 << N, deleted, or read ' +
                              'with a bad status'],
               ['band', `framed and shaded: track ${signatureTrack}, whose sector numbers tell ` +
                        'the titles apart']);
  for (const [className, text] of entries) {
    const item = element('li');
    const mark = swatch(className);
    mark.classList.add(className === 'band' ? 'legend-signature' : 'legend-mark');
    item.append(mark, text);
    $('legend').append(item);
  }
}

export function oddMarks(sector) {
  const marks = [];
  if (sector.size !== nominal(sector)) marks.push(`${sector.size} bytes, not ${nominal(sector)}`);
  if (sector.deleted !== 0) marks.push('deleted data');
  if (sector.status !== 0) marks.push(`status ${hex(sector.status)}`);
  return marks;
}

export function showOdd(model) {
  if (!model.oddCount) return;
  for (const { track, sector } of model.odd) {
    $('odd-sectors').append(element('li', `track ${track}, ${sectorId(sector)}: ` +
                                           `${oddMarks(sector).join(', ')}`));
  }
  if (model.oddCount > model.odd.length) {
    $('odd-sectors').append(element('li', `and ${model.oddCount - model.odd.length} more`));
  }
  $('odd').hidden = false;
}
