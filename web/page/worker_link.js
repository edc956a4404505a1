// The worker that runs the commands, made from the page's own gzip-compressed copy of its
// script, with the WebAssembly module compiled once on the page's side. One worker is kept
// ready; a new choice made while it runs ends it (and whatever it was unpacking) and starts
// another.
import { $ } from './view.js';

function fromBase64(text) {
  if (Uint8Array.fromBase64) return Uint8Array.fromBase64(text);
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

async function unpack(id) {
  const bytes = fromBase64($(id).textContent.trim());
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
  return new Response(stream).arrayBuffer();
}

const compiled = unpack('wasm-code').then((bytes) => WebAssembly.compile(bytes));
const workerUrl = unpack('worker-code')
  .then((code) => URL.createObjectURL(new Blob([code], { type: 'text/javascript' })));

let worker = null;
let busy = false;
let runs = 0;

export async function readyWorker() {
  if (worker && !busy) return worker;
  if (worker) worker.terminate();
  worker = new Worker(await workerUrl);
  worker.postMessage({ module: await compiled });
  busy = false;
  return worker;
}

// Runs the request ({ files, choice, title, image }) in the worker; progress(text) hears how
// far it is. Resolves with the worker's result, or a failure of the worker itself.
export async function runInWorker(request, progress) {
  const ready = await readyWorker();
  return new Promise((resolve) => {
    const id = ++runs;
    busy = true;
    ready.onmessage = ({ data }) => {
      if (data.id !== id) return;
      if (data.progress) {
        progress(data.progress);
        return;
      }
      busy = false;
      resolve(data.result);
    };
    ready.onerror = (event) => {
      busy = false;
      event.preventDefault();
      resolve({ kind: 'failed', heading: [request.files[0].name], index: 0,
                message: `The page failed while reading it (${event.message || 'its worker stopped'})` });
    };
    ready.postMessage({ id, ...request });
  });
}
