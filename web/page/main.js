// castle-extract.html: the page around the WebAssembly build of castle-extract and d88-info. It
// takes what the user chose or dropped (a D88 file, or one inside a .zip, a .gz or a tar), has
// a worker run the commands' real entries on it, and shows what the command wrote (its
// Shift_JIS messages decoded), the files it made, and a map of the disk. Only the latest choice
// is ever shown: a new one ends the run before it and clears everything it showed.
import { drawMap, forgetMap, sayWhetherItScrolls } from './disk_map.js';
import { showImages, showLegend, showOdd, showRuns, showSummary } from './disk_lists.js';
import { filesOf } from './dropped.js';
import { offerEntries, offerFiles, offerImages, offerTitles } from './offers.js';
import { explain, fileProblems } from './verdict.js';
import {
  $, failed, finish, isLatest, latest, layOutNow, newChoice, pacer, setBusy,
} from './view.js';
import { readyWorker, runInWorker } from './worker_link.js';

const shiftJis = new TextDecoder('shift_jis');
const heading = (parts) => parts.join(' › ');

// Runs the request ({ files, choice, title, image }) as a new choice and shows what it gave.
// fromResult: it was asked from a button of the last result, whose place focus takes.
async function run(request, fromResult = false, leftOut = []) {
  const mine = newChoice();
  forgetMap();
  setBusy(`Reading ${request.files[0].name}…`, true);
  const result = await runInWorker(request, (text) => {
    if (isLatest(mine)) setBusy(text);
  });
  if (!isLatest(mine)) return;
  // For the bench: how long the worker took, and each part of its run; for the tests: how many
  // times each part ran.
  document.body.dataset.worker = JSON.stringify({
    total: performance.now() - latest.started, ...(result.timings || {}) });
  document.body.dataset.runs = JSON.stringify(result.runs || {});
  const skipped = [...request.files.slice(0, result.index), ...request.files.slice(result.index + 1)]
    .map((file) => file.name).concat(leftOut);
  if (skipped.length) {
    $('left-out').textContent = `Several files were dropped; this is the first ` +
      `${result.index > 0 ? 'that is a disk image or an archive' : 'of them'}. ` +
      `Left: ${skipped.join(', ')}.`;
    $('left-out').hidden = false;
  }
  const file = request.files[result.index];
  if (result.kind === 'failed') {
    failed(heading(result.heading), result.message, fromResult);
  } else if (result.kind === 'entries') {
    $('file-name').textContent = heading(result.heading);
    const count = (n) => n.toLocaleString('en');
    const text = result.find
      ? `${count(result.matching)} of the ${count(result.total)} disk images of this ` +
        `${result.archiveKind} have “${result.find}” in their name${result.matching > result.disks.length
          ? `; the first ${count(result.disks.length)} are listed` : ''}. Which one?`
      : `This ${result.archiveKind} holds ${count(result.total)} disk images` +
        `${result.total > result.disks.length ? `; the first ${count(result.disks.length)} are ` +
          'listed, and a part of a name finds the others' : ''}. Which one?`;
    $('verdict').textContent = text;
    offerEntries(result, (disk) => run({
      files: [file], choice: { depth: result.depth, place: disk.place } }, true),
    (find) => run({ files: [file], choice: { depth: result.depth }, find }, true));
    finish(`${heading(result.heading)}: ${text}`, fromResult);
  } else {
    await showDisk(result, { files: [file], choice: request.choice, title: request.title,
                             image: request.image }, mine, fromResult);
  }
}

async function showDisk(result, request, mine, fromResult) {
  const { command, facts, model } = result;
  const title = heading(result.heading);
  $('file-name').textContent = title;
  const diagnostics = shiftJis.decode(command.err);
  const problems = fileProblems(diagnostics, facts.files.length
    ? facts.files : ['PROG1', 'PROG2', 'MUSIC', 'VOICE']);
  const verdict = explain(facts, command, request, problems);
  $('verdict').textContent = verdict;
  if (facts.d88 || command.files.length) {
    offerFiles(command.files, result.zip, result.diskName, problems);
  }
  const again = (ask) => run({ ...request, title: undefined, image: undefined, ...ask }, true);
  if (facts.d88 && !facts.title && !request.title) {
    offerTitles(facts.runsPresent, request.image, again);
  }
  // Every other image that carries a title, whether this one is a game disk or not.
  if (facts.d88) offerImages(facts.otherImages, again);
  // Laid out a part at a time, unseen, the page given its turn between the parts: the result,
  // the command's Japanese output (whose font is looked for the first time), the lists and a
  // map of hundreds of tracks laid out at once would stall it. The lists come before the map,
  // which then only grows at the end of the page.
  const pause = pacer(mine);
  const drawn = model && facts.d88;
  const parts = [
    () => { $('result').hidden = false; },
    () => {
      if (!facts.d88 && !command.out.length && !command.err.length && command.exitCode === 0) return;
      $('output').textContent = shiftJis.decode(command.out);
      $('diagnostics').textContent = diagnostics;
      $('exit-code').textContent = String(command.exitCode);
      $('said').hidden = false;
    },
    () => {
      if (!drawn) return;
      $('disk').hidden = false;
      showSummary(model);
      showImages(model, facts.otherImages, facts.title);
    },
    () => {
      if (!drawn) return;
      showRuns(model.runs);
      showLegend(model.runs, model.signatureTrack);
      showOdd(model);
    },
  ];
  $('result').classList.add('drawing');
  const took = [];  // for the bench: how long each part took to lay out, and the map
  for (const part of parts) {
    const start = performance.now();
    part();
    layOutNow();
    took.push(Math.round(performance.now() - start));
    if (!await pause()) return;
  }
  const mapStart = performance.now();
  if (drawn && !await drawMap(model, pause)) return;
  took.push(Math.round(performance.now() - mapStart));
  document.body.dataset.drawing = took.join(' ');
  const files = command.files.length;
  finish(`${title}: ${verdict}${files ? ` ${files} file${files === 1 ? '' : 's'} to download.` : ''}`,
         fromResult);
  if (!$('disk').hidden) sayWhetherItScrolls();  // now that it is laid out
}

// --- Input: the chooser, and a drop anywhere on the page ---

const input = $('file');
input.addEventListener('change', () => {
  if (input.files[0]) run({ files: [...input.files] });
  input.value = '';  // so that choosing the same file again reads it again
});
let dragDepth = 0;
const dragsFiles = (event) => [...event.dataTransfer.types].includes('Files');
window.addEventListener('dragenter', (event) => {
  if (!dragsFiles(event)) return;
  ++dragDepth;
  document.body.classList.add('dragging');
});
window.addEventListener('dragleave', () => {
  dragDepth = Math.max(0, dragDepth - 1);
  if (dragDepth === 0) document.body.classList.remove('dragging');
});
window.addEventListener('dragover', (event) => {
  if (!dragsFiles(event)) return;
  event.preventDefault();
  event.dataTransfer.dropEffect = 'copy';
});
window.addEventListener('drop', (event) => {
  event.preventDefault();  // never let the browser open the file itself
  dragDepth = 0;
  document.body.classList.remove('dragging');
  const { files, folders } = filesOf(event.dataTransfer);
  if (files.length) {
    run({ files }, false, folders.map((name) => `${name} (a folder)`));
  } else if (folders.length) {
    newChoice();
    failed(folders[0], `${folders[0]} is a folder, and the page reads files: open it and ` +
                       'choose or drop the .d88 file in it');
  }
});
window.addEventListener('resize', () => {
  if (!$('disk').hidden) sayWhetherItScrolls();
});
readyWorker();  // ready before the first choice
