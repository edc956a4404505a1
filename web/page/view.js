// What every part of the page shares: finding and making elements, the result's frame (cleared
// for each choice, finished with an announcement), and the generation of the latest choice,
// which anything that waits checks before it shows what it got.

export const $ = (id) => document.getElementById(id);

export function element(tag, text, className) {
  const made = document.createElement(tag);
  if (text !== undefined) made.textContent = text;
  if (className) made.className = className;
  return made;
}

// The text as a sentence: one full stop at its end, never two.
export const sentence = (text) => (/[.!?…]$/.test(text) ? text : `${text}.`);

// The latest choice: every choice takes the next number, and anything for an earlier one is
// dropped.
export const latest = { generation: 0, started: 0 };

export function newChoice() {
  latest.started = performance.now();
  clearResult();
  return ++latest.generation;
}

export const isLatest = (mine) => mine === latest.generation;

// Lets the page handle what waits (a click, a new choice) before going on.
const channel = new MessageChannel();
const waiting = [];
channel.port1.onmessage = () => waiting.shift()();
const yieldToPage = () => new Promise((resolve) => {
  waiting.push(resolve);
  channel.port2.postMessage(null);
});

// Lays out what was just added, within the step that added it: left to the next frame, the
// layout of a whole map and its lists would be one long task.
export function layOutNow() {
  return document.body.getBoundingClientRect().height;
}

// Keeps each task of a long piece of work for the choice `mine` short: the function made lets
// the page have its turn once the task has run kTaskBudgetMs (a short piece of work runs in one
// task), and tells whether the work is still wanted.
const kTaskBudgetMs = 12;

export function pacer(mine) {
  let since = performance.now();
  return async () => {
    if (performance.now() - since >= kTaskBudgetMs) {
      await yieldToPage();
      since = performance.now();
    }
    return isLatest(mine);
  };
}

const kCleared = ['downloads', 'download-all', 'runs', 'legend', 'odd-sectors', 'track-map',
                  'archive-entries', 'title-choice', 'image-choice', 'images'];
const kEmptied = ['file-name', 'verdict', 'output', 'diagnostics', 'exit-code', 'timing',
                  'map-summary', 'map-detail', 'map-said', 'left-out'];
const kHidden = ['result', 'said', 'files', 'disk', 'archive', 'title-choice', 'image-choice',
                 'odd', 'left-out', 'no-downloads', 'images', 'map-scrolls', 'archive-find',
                 'archive-more'];

export function clearResult() {
  for (const link of document.querySelectorAll('#result a[href^="blob:"]')) {
    URL.revokeObjectURL(link.href);
  }
  for (const id of kCleared) $(id).replaceChildren();
  for (const id of kEmptied) $(id).textContent = '';
  for (const id of kHidden) $(id).hidden = true;
  $('result').classList.remove('drawing');
  delete document.body.dataset.ready;
}

// Says what the page is doing; only the start of a run is announced, not each step of it.
export function setBusy(text, announce = false) {
  $('busy').textContent = text;
  $('busy').hidden = false;
  if (announce) $('status').textContent = text;
}

// Shows the result and announces it; focus goes to its heading where the run was started from
// a button in the last result, which is gone now.
export function finish(announcement, focusHeading = false) {
  $('busy').hidden = true;
  $('result').classList.remove('drawing');
  $('result').hidden = false;
  $('status').textContent = announcement;
  const took = performance.now() - latest.started;
  $('timing').textContent = `Read, cut and drawn in ${Math.round(took)} ms, in this page.`;
  if (focusHeading) $('result-title').focus();
  document.body.dataset.ready = took.toFixed(1);
}

export function failed(heading, message, focusHeading = false) {
  $('file-name').textContent = heading;
  $('verdict').textContent = sentence(message);
  finish(sentence(message), focusHeading);
}
