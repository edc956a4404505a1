// What the result offers: a download for each file the command wrote (with the problem the
// command reported with it) and one ZIP of them all, and buttons that run the command again
// as asked: as a title, on another image of the file, or on another entry of an archive.
import { $, element } from './view.js';
import { problemText } from './verdict.js';

// A link that downloads the bytes: the blob behind it is made when it is first followed (or
// focused), so that offering files costs the page nothing.
function downloadLink(text, name, bytes) {
  const link = element('a', text);
  link.download = name;
  link.href = '#';
  const make = () => {
    if (link.href.startsWith('blob:')) return;
    link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  };
  link.addEventListener('pointerdown', make);
  link.addEventListener('focus', make);
  link.addEventListener('click', make);
  return link;
}

export function offerFiles(files, zip, diskName, problems) {
  const list = $('downloads');
  for (const file of files) {
    const item = element('li');
    item.append(downloadLink(file.name, file.name, file.bytes), ` ${file.bytes.length} bytes`);
    const problem = problems.find((p) => p.name === file.name);
    if (problem) {
      item.append(element('span', ` — ${problemText(problem)}`, 'warning'));
      item.classList.add('damaged');
    }
    list.append(item);
  }
  for (const problem of problems) {
    if (files.some((file) => file.name === problem.name)) continue;
    list.append(element('li', problemText(problem), 'warning'));
  }
  if (zip) {
    const name = `${diskName.replace(/\.[^.]*$/, '') || 'disk'}-files.zip`;
    $('download-all').append(downloadLink(`Download all (${name})`, name, zip));
  }
  $('no-downloads').hidden = files.length > 0;
  $('files').hidden = false;
}

function buttons(container, intro, choices, run) {
  container.append(intro);
  for (const { text, ask } of choices) {
    const button = element('button', text);
    button.type = 'button';
    button.addEventListener('click', () => run(ask));
    container.append(button);
  }
  container.hidden = false;
}

// A copy without its protection track (track 79 missing) may still hold a title's files:
// offer to cut them, saying how many are whole.
export function offerTitles(present, image, run) {
  if (!present.length) return;
  buttons($('title-choice'), 'Track 79 is missing, as on a copy without its protection track: ',
          present.map(({ title, option, files_whole: whole, files }) => ({
            text: `Cut as ${title}${whole < files ? ` (${whole} of its ${files} files whole)` : ''}`,
            ask: { title: option, image },
          })), run);
}

// Other images of the file that carry a title's signature: offer to cut them.
export function offerImages(others, run) {
  if (!others.length) return;
  buttons($('image-choice'), `Another image of this file is a game disk: `,
          others.map(({ image, title }) => ({ text: `Cut image ${image} (“${title}”)`,
                                              ask: { image } })), run);
}

// Buttons shown at a time of an archive's disk images, and at most where the worker sent more.
const kEntriesShown = 100;

// The disk images of an archive: the one picked is read as a new choice. They are shown a
// hundred at a time, more on asking; where the archive holds more than the worker sent, a part
// of a name finds them (find(text)).
export function offerEntries(result, pick, find) {
  const list = $('archive-entries');
  const more = $('archive-more');
  let shown = 0;
  const showMore = () => {
    const part = result.disks.slice(shown, shown + kEntriesShown);
    const items = part.map((disk) => {
      const button = element('button', disk.name);
      button.type = 'button';
      button.addEventListener('click', () => pick(disk));
      const item = element('li');
      item.append(button);
      return item;
    });
    list.append(...items);
    shown += part.length;
    more.hidden = shown >= result.disks.length;
    more.textContent = `Show ${Math.min(kEntriesShown, result.disks.length - shown)} more of ` +
                       `${result.disks.length.toLocaleString('en')}`;
    return items[0];
  };
  more.onclick = () => {
    const first = showMore();
    if (first) first.querySelector('button').focus();
  };
  showMore();
  const finder = $('archive-find');
  finder.hidden = result.total <= kEntriesShown;
  const input = $('archive-find-text');
  input.value = result.find;
  finder.onsubmit = (event) => {
    event.preventDefault();
    find(input.value);
  };
  $('archive').hidden = false;
}
