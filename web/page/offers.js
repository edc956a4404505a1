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

// A copy without its protection track may still hold a title's files: offer to cut them.
export function offerTitles(present, image, run) {
  if (!present.length) return;
  buttons($('title-choice'), 'Its files may all be there, as on a copy without its protection ' +
          'track: ', present.map(({ title, option }) => ({ text: `Cut as ${title}`,
                                                           ask: { title: option, image } })), run);
}

// Other images of the file that carry a title's signature: offer to cut them.
export function offerImages(others, run) {
  if (!others.length) return;
  buttons($('image-choice'), 'Another image of this file is a game disk: ',
          others.map(({ image, title }) => ({ text: `Cut image ${image} (“${title}”)`,
                                              ask: { image } })), run);
}

// The disk images of an archive: the one picked is read as a new choice.
export function offerEntries(disks, pick) {
  for (const disk of disks) {
    const button = element('button', disk.name);
    button.type = 'button';
    button.addEventListener('click', () => pick(disk));
    const item = element('li');
    item.append(button);
    $('archive-entries').append(item);
  }
  $('archive').hidden = false;
}
