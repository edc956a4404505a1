// The page around the WebAssembly build of castle-extract and d88-info. It opens what the user
// chose or dropped (a D88 file, or one inside a .zip or a .gz), has a worker run the command's
// real entries on it, and shows what the command wrote (its Shift_JIS messages decoded), the
// files it made, and a map of the disk. Only the latest choice is ever shown: a new one ends the
// run before it and clears everything it showed.
'use strict';
(() => {
  const $ = (id) => document.getElementById(id);
  const shiftJis = new TextDecoder('shift_jis');
  const fileNames = ['PROG1', 'PROG2', 'MUSIC', 'VOICE'];
  // The largest file the page unpacks from an archive, and the largest D88 file there is.
  const kMaxUnpacked = 2 ** 31 + 688;
  // The map is laid out as the disk is: a row per cylinder (track / 2), its two sides (track % 2)
  // side by side.
  const rowHeight = 10;
  const markWidth = 12;
  const labelWidth = 18;
  const headerHeight = 12;
  const sideGap = 10;
  const marksPerSide = 17;  // 16 sectors, and room for "+N more" or a repeat's label
  const marksPerTask = 2000;  // drawn at once, a few milliseconds of the page's time

  // --- The module and the worker, unpacked once from the page ---

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

  // One worker is kept ready; a choice made while it runs ends it and starts another.
  let worker = null;
  let workerBusy = false;
  async function readyWorker() {
    if (worker && !workerBusy) return worker;
    if (worker) worker.terminate();
    worker = new Worker(await workerUrl);
    worker.postMessage({ module: await compiled });
    workerBusy = false;
    return worker;
  }
  let runs = 0;
  function runInWorker(file, title, archives) {
    return readyWorker().then((ready) => new Promise((resolve) => {
      const id = ++runs;
      workerBusy = true;
      ready.onmessage = ({ data }) => {
        if (data.id !== id) return;
        workerBusy = false;
        resolve(data);
      };
      ready.onerror = (event) => {
        workerBusy = false;
        event.preventDefault();
        resolve({ id, error: event.message || 'the worker failed' });
      };
      ready.postMessage({ id, file, title, archives });
    }));
  }

  // --- What is shown, and clearing it ---

  let generation = 0;  // the latest choice; anything for an earlier one is dropped
  let started = 0;

  function element(tag, text, className) {
    const made = document.createElement(tag);
    if (text !== undefined) made.textContent = text;
    if (className) made.className = className;
    return made;
  }

  function clearResult() {
    for (const link of document.querySelectorAll('#result a[href^="blob:"]')) {
      URL.revokeObjectURL(link.href);
    }
    for (const id of ['downloads', 'download-all', 'runs', 'legend', 'odd-sectors', 'track-map',
                      'archive-entries', 'title-choice']) {
      $(id).replaceChildren();
    }
    for (const id of ['file-name', 'verdict', 'output', 'diagnostics', 'exit-code', 'timing',
                      'map-summary', 'map-detail', 'left-out']) {
      $(id).textContent = '';
    }
    for (const id of ['result', 'said', 'files', 'disk', 'archive', 'title-choice', 'odd',
                      'left-out', 'no-downloads']) {
      $(id).hidden = true;
    }
    delete document.body.dataset.ready;
  }

  function setBusy(text) {
    $('busy').textContent = text;
    $('busy').hidden = false;
    $('status').textContent = text;
  }

  function finish(announcement) {
    $('busy').hidden = true;
    $('result').hidden = false;
    $('status').textContent = announcement;
    const took = performance.now() - started;
    $('timing').textContent = `Read, cut and drawn in ${Math.round(took)} ms, in this page.`;
    document.body.dataset.ready = took.toFixed(1);
  }

  function failed(heading, message) {
    $('file-name').textContent = heading;
    $('verdict').textContent = message;
    finish(message);
  }

  // --- Archives: a .zip or a .gz of the disk image ---

  const isDiskName = (name) => /\.(d88|d77)$/i.test(name) && !/(^|\/)__MACOSX\//.test(name);
  const baseName = (name) => name.slice(name.lastIndexOf('/') + 1);

  // Reads a stream to its end, at most kMaxUnpacked bytes, into a file of that name.
  async function collect(stream, name) {
    const reader = stream.getReader();
    const chunks = [];
    let size = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      size += value.length;
      if (size > kMaxUnpacked) {
        reader.cancel();
        throw new Error('it unpacks to more than a D88 file can hold (2 GiB)');
      }
      chunks.push(value);
    }
    return new File(chunks, name);
  }

  // The entries of a ZIP archive, from its central directory.
  async function zipEntries(file) {
    const tailLength = Math.min(file.size, 22 + 65535);
    const tail = new DataView(await file.slice(file.size - tailLength).arrayBuffer());
    let end = -1;
    for (let at = tailLength - 22; at >= 0; --at) {
      if (tail.getUint32(at, true) === 0x06054b50) {
        end = at;
        break;
      }
    }
    if (end < 0) throw new Error('its table of contents cannot be found');
    const count = tail.getUint16(end + 10, true);
    const size = tail.getUint32(end + 12, true);
    const offset = tail.getUint32(end + 16, true);
    if (offset === 0xffffffff || offset + size > file.size) {
      throw new Error('its table of contents lies outside it (a ZIP64 archive?)');
    }
    const directory = new DataView(await file.slice(offset, offset + size).arrayBuffer());
    const decoder = new TextDecoder();
    const entries = [];
    for (let at = 0, i = 0; i < count && at + 46 <= directory.byteLength; ++i) {
      if (directory.getUint32(at, true) !== 0x02014b50) break;
      const nameLength = directory.getUint16(at + 28, true);
      const skipped = nameLength + directory.getUint16(at + 30, true) +
                      directory.getUint16(at + 32, true);
      entries.push({
        flags: directory.getUint16(at + 8, true),
        method: directory.getUint16(at + 10, true),
        packed: directory.getUint32(at + 20, true),
        header: directory.getUint32(at + 42, true),
        name: decoder.decode(new Uint8Array(directory.buffer, at + 46, nameLength)),
      });
      at += 46 + skipped;
    }
    return entries;
  }

  // One entry's bytes, stored or deflated, unpacked by the browser.
  async function zipEntry(file, entry) {
    if (entry.flags & 1) throw new Error(`${entry.name} is encrypted`);
    if (entry.method !== 0 && entry.method !== 8) {
      throw new Error(`${entry.name} is packed with a method this page cannot unpack (${entry.method})`);
    }
    const local = new DataView(await file.slice(entry.header, entry.header + 30).arrayBuffer());
    if (local.byteLength < 30 || local.getUint32(0, true) !== 0x04034b50) {
      throw new Error(`${entry.name} cannot be found in it`);
    }
    const start = entry.header + 30 + local.getUint16(26, true) + local.getUint16(28, true);
    const packed = file.slice(start, start + entry.packed);
    const stream = entry.method === 8
      ? packed.stream().pipeThrough(new DecompressionStream('deflate-raw')) : packed.stream();
    return collect(stream, baseName(entry.name));
  }

  // --- Choosing a file ---

  async function choose(file, leftOut = []) {
    const mine = ++generation;
    started = performance.now();
    clearResult();
    setBusy(`Reading ${file.name}…`);
    if (leftOut.length) {
      $('left-out').textContent = `Several files were dropped; this is the first. Left: ${leftOut.join(', ')}.`;
      $('left-out').hidden = false;
    }
    try {
      // The worker reads the file first and says when it is an archive.
      const kind = await cut(file, file.name, '', mine, true);
      if (mine !== generation || !kind) return;
      if (kind === 'gzip') {
        const inner = file.name.replace(/\.gz$/i, '') || 'disk.d88';
        const unpacked = await collect(file.stream().pipeThrough(new DecompressionStream('gzip')),
                                       inner);
        if (mine === generation) await cut(unpacked, `${file.name} › ${inner}`, '', mine);
      } else if (kind === 'zip') {
        await openZip(file, mine);
      }
    } catch (error) {
      if (mine === generation) failed(file.name, `The page could not open this file: ${error.message || error}.`);
    }
  }

  async function openZip(file, mine) {
    const disks = (await zipEntries(file)).filter((entry) => isDiskName(entry.name) &&
                                                             !entry.name.endsWith('/'));
    if (mine !== generation) return;
    if (disks.length === 0) {
      failed(file.name, 'This ZIP archive holds no .d88 or .d77 file.');
    } else if (disks.length === 1) {
      const disk = await zipEntry(file, disks[0]);
      if (mine === generation) await cut(disk, `${file.name} › ${disks[0].name}`, '', mine);
    } else {
      // Several disks: the user picks one, which is read as a new choice.
      $('file-name').textContent = file.name;
      $('verdict').textContent = `This ZIP archive holds ${disks.length} disk images. Which one?`;
      for (const entry of disks) {
        const button = element('button', entry.name);
        button.type = 'button';
        button.addEventListener('click', () => pick(file, entry));
        const item = element('li');
        item.append(button);
        $('archive-entries').append(item);
      }
      $('archive').hidden = false;
      finish(`${file.name} holds ${disks.length} disk images; choose one.`);
    }
  }

  async function pick(archive, entry) {
    const mine = ++generation;
    started = performance.now();
    clearResult();
    setBusy(`Reading ${entry.name}…`);
    try {
      const disk = await zipEntry(archive, entry);
      if (mine === generation) await cut(disk, `${archive.name} › ${entry.name}`, '', mine);
    } catch (error) {
      if (mine === generation) failed(archive.name, `The page could not open this file: ${error.message || error}.`);
    }
  }

  // --- Running the command, and what it gave ---

  // Runs the command on the file and shows what it gave. Where archives are looked for and the
  // file is one, shows nothing and returns its kind.
  async function cut(file, heading, title, mine, archives = false) {
    // The name the command sees, as on a command line: nothing that leaves its folder.
    const named = new File([file], file.name.replace(/[/\\\0]/g, '_') || 'disk.d88');
    const result = await runInWorker(named, title, archives);
    if (mine !== generation) return null;
    if (result.archive) return result.archive;
    $('file-name').textContent = heading;
    if (result.error) {
      failed(heading, `The page failed: ${result.error}`);
      return null;
    }
    const { command, facts, model } = result;
    const verdict = explain(facts, command, title);
    $('verdict').textContent = verdict;
    if (facts.d88 || command.out.length || command.err.length || command.exitCode !== 0) {
      $('output').textContent = shiftJis.decode(command.out);
      $('diagnostics').textContent = shiftJis.decode(command.err);
      $('exit-code').textContent = String(command.exitCode);
      $('said').hidden = false;
    }
    if (facts.d88 || command.files.length) offerFiles(command.files, result.zip, file.name);
    if (!facts.title && !title && facts.d88) offerTitles(file, heading, facts.runsPresent);
    if (facts.d88 && model) {
      await drawDisk(model, facts, mine);
      if (mine !== generation) return null;
    }
    const files = command.files.length;
    finish(`${heading}: ${verdict}${files ? ` ${files} files to download.` : ''}`);
    return null;
  }

  function explain(facts, command, title) {
    if (command.exitCode !== 0 && command.out.length === 0 && !facts.title && !title) {
      return 'castle-extract could not read this file.';
    }
    if (!facts.d88) {
      return `This is not a D88 disk image: ${facts.reason}. Nothing was written.`;
    }
    if (title) {
      const asked = facts.runsPresent.find((entry) => entry.option === title);
      return `Cut as “${asked ? asked.title : title}”, as asked: track 79 carries no title ` +
             'signature.';
    }
    if (!facts.title) {
      const numbers = facts.numbers.map((n) => (n === null ? 'none' : hex(n))).join(' and ');
      return `Not recognised: the second and third sectors on track 79 of the first image are ` +
             `numbered ${numbers}. “The Castle” has 0xF2 and 0xF3, “Castle Excellent” 0xF3 ` +
             'and 0xF2. The disk is neither, so nothing was written.';
    }
    return `Recognised as “${facts.title}”.`;
  }

  // A copy without its protection track may still hold a title's files: offer to cut them.
  function offerTitles(file, heading, present) {
    if (!present.length) return;
    const choice = $('title-choice');
    choice.append('Its files may all be there, as on a copy without its protection track: ');
    for (const { title, option } of present) {
      const button = element('button', `Cut as ${title}`);
      button.type = 'button';
      button.addEventListener('click', async () => {
        const again = ++generation;
        started = performance.now();
        clearResult();
        setBusy(`Cutting ${heading} as ${title}…`);
        await cut(file, heading, option, again);
      });
      choice.append(button);
    }
    choice.hidden = false;
  }

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

  function offerFiles(files, zip, diskName) {
    const list = $('downloads');
    for (const file of files) {
      const item = element('li');
      item.append(downloadLink(file.name, file.name, file.bytes), ` ${file.bytes.length} bytes`);
      list.append(item);
    }
    if (zip) {
      const name = `${diskName.replace(/\.[^.]*$/, '') || 'disk'}-files.zip`;
      $('download-all').append(downloadLink(`Download all (${name})`, name, zip));
    }
    $('no-downloads').hidden = files.length > 0;
    $('files').hidden = false;
  }

  // --- The map ---

  const hex = (value) => `0x${value.toString(16).toUpperCase().padStart(2, '0')}`;
  const id = (s) => `C${s.c} H${s.h} R${s.r} N${s.n}`;
  const nominal = (s) => (s.n <= 23 ? 128 * 2 ** s.n : -1);

  function describe(sector, runs) {
    const marks = [sector.size === nominal(sector) ? `${sector.size} bytes`
      : `${sector.size} bytes, not ${nominal(sector)}`];
    if (sector.deleted !== 0) marks.push('deleted data');
    if (sector.status !== 0) marks.push(`status ${hex(sector.status)}`);
    if (sector.owner >= 0) marks.push(runs[sector.owner].name);
    return `${id(sector)}: ${marks.join(', ')}`;
  }

  function joinText(track) {
    if (track.notListed) return 'not listed';
    const join = track.sameAs || track.overlaps;
    if (!join) return '';
    const where = `track ${join.track}${join.image ? ` of image ${join.image}` : ''}`;
    return track.sameAs ? `= ${where}${join.record ? ` from its record ${join.record + 1}` : ''}`
      : `runs into ${where}`;
  }

  // Lets the page handle what waits (a click, a new choice) before going on.
  const channel = new MessageChannel();
  const waiting = [];
  channel.port1.onmessage = () => waiting.shift()();
  const yieldToPage = () => new Promise((resolve) => {
    waiting.push(resolve);
    channel.port2.postMessage(null);
  });

  // Draws the map some thousand marks at a time, so that no task of the page takes long.
  async function drawDisk(model, facts, mine) {
    const map = $('track-map');
    const { runs, tracks } = model;
    const sideWidth = marksPerSide * markWidth;
    const lastTrack = Math.max(model.signatureTrack, ...tracks.map((t) => t.track));
    const place = (track, index) => ({
      x: labelWidth + (track % 2) * (sideWidth + sideGap) + index * markWidth,
      y: headerHeight + Math.floor(track / 2) * rowHeight,
    });
    map.setAttribute('viewBox', `0 0 ${labelWidth + 2 * sideWidth + sideGap} ` +
                                `${headerHeight + Math.floor(lastTrack / 2 + 1) * rowHeight}`);
    let head = '<defs>' +
      '<pattern id="pattern-1" width="3" height="3" patternUnits="userSpaceOnUse" ' +
      'patternTransform="rotate(45)"><rect width="3" height="3" class="p1"/>' +
      '<rect width="1" height="3" class="pl"/></pattern>' +
      '<pattern id="pattern-2" width="3" height="3" patternUnits="userSpaceOnUse">' +
      '<rect width="3" height="3" class="p2"/><circle cx="1.5" cy="1.5" r="0.8" class="pl"/>' +
      '</pattern>' +
      '<pattern id="pattern-3" width="3" height="3" patternUnits="userSpaceOnUse">' +
      '<rect width="3" height="3" class="p3"/><rect width="3" height="1" class="pl"/></pattern>' +
      '</defs>';
    for (const side of [0, 1]) {
      head += `<text x="${place(side, 0).x}" y="8">side ${side} (head ${side})</text>`;
    }
    for (let cylinder = 0; cylinder <= lastTrack / 2; cylinder += 5) {
      head += `<text x="1" y="${place(2 * cylinder, 0).y + 7.5}">${cylinder}</text>`;
    }
    map.innerHTML = head;
    for (let first = 0, last = 0; first < tracks.length; first = last) {
      if (first > 0) {
        await yieldToPage();
        if (mine !== generation) return;
      }
      for (let marks = 0; last < tracks.length && marks < marksPerTask; ++last) {
        marks += tracks[last].marks.length + 2;
      }
      let svg = '';
      for (const [offset, track] of tracks.slice(first, last).entries()) {
        const { x, y } = place(track.track, 0);
        const join = joinText(track);
        const label = `track ${track.track}: ${track.count} sector${track.count === 1 ? '' : 's'}` +
                      (join ? `, then ${join}` : '');
        svg += `<g data-track="${track.track}" data-at="${first + offset}" ` +
               `tabindex="${first + offset === 0 ? 0 : -1}" role="img" aria-label="${label}"` +
               `${track.track === model.signatureTrack ? ' class="signature"' : ''}>` +
               `<rect class="band" x="${x - 1}" y="${y}" width="${sideWidth + 2}" height="${rowHeight}"/>`;
        // One path for each kind of mark on the track, and one for the outlines of odd sectors.
        const paths = new Map();
        let outlines = '';
        track.marks.forEach((mark, index) => {
          const box = `M${x + index * markWidth} ${y + 1}h${markWidth - 1}v${rowHeight - 2}` +
                      `h${1 - markWidth}z`;
          const kind = mark.owner >= 0 ? `sector f${mark.owner}` : 'sector';
          paths.set(kind, (paths.get(kind) || '') + box);
          if (mark.odd) outlines += box;
        });
        for (const [kind, d] of paths) svg += `<path class="${kind}" d="${d}"/>`;
        if (outlines) svg += `<path class="odd" fill="none" d="${outlines}"/>`;
        const after = track.marks.length;
        if (track.more > 0 || join) {
          svg += `<text class="more" x="${x + after * markWidth + 1}" y="${y + 7.5}">` +
                 `${track.more > 0 ? `+${track.more} more` : ''}${track.more > 0 && join ? ' ' : ''}` +
                 `${join}</text>`;
        }
        svg += '</g>';
      }
      map.insertAdjacentHTML('beforeend', svg);
    }
    // A run that breaks shows where: a dashed mark in the row of the sector it could not read.
    let breaks = '';
    for (const run of runs) {
      if (!run.broken) continue;
      const track = tracks.find((t) => t.track === run.broken.step.track);
      const at = place(run.broken.step.track, track ? track.marks.length : 0);
      breaks += `<rect class="break" x="${at.x}" y="${at.y + 1}" width="${markWidth - 1}" ` +
                `height="${rowHeight - 2}"/>`;
    }
    map.insertAdjacentHTML('beforeend', breaks);
    connectMap(map, model, { sideWidth, place });
    showSummary(model, facts);
    showRuns(runs);
    showLegend(runs);
    showOdd(model);
    $('disk').hidden = false;
  }

  // Pointing at a mark, or moving between tracks with the arrow keys, tells what it is. The mark
  // under the pointer is found from where the pointer is, as the map is laid out.
  function connectMap(map, model, { sideWidth, place }) {
    const detail = $('map-detail');
    detail.textContent = 'Point at a sector, or move between tracks with the arrow keys, to see ' +
                         'its ID and size.';
    const byNumber = new Map(model.tracks.map((track) => [track.track, track]));
    const trackOf = (node) => model.tracks[Number(node.closest('g[data-at]').dataset.at)];
    map.onmousemove = (event) => {
      const matrix = map.getScreenCTM();
      if (!matrix) return;
      const at = new DOMPoint(event.clientX, event.clientY).matrixTransform(matrix.inverse());
      const side = at.x >= place(1, 0).x ? 1 : 0;
      const row = Math.floor((at.y - place(0, 0).y) / rowHeight);
      const track = byNumber.get(row * 2 + side);
      const index = Math.floor((at.x - place(side, 0).x) / markWidth);
      if (!track || index < 0 || index >= track.marks.length || at.x > place(side, 0).x + sideWidth) {
        return;
      }
      detail.textContent = `track ${track.track}, ${describe(track.marks[index], model.runs)}`;
    };
    map.onfocusin = (event) => {
      const group = event.target.closest('g[data-at]');
      if (!group) return;
      const track = trackOf(group);
      const join = joinText(track);
      detail.textContent = `track ${track.track}: ` +
        (track.marks.map((mark) => describe(mark, model.runs)).join('; ') || 'no records of its own') +
        (track.more > 0 ? `; and ${track.more} more` : '') + (join ? `; then ${join}` : '');
    };
    map.onkeydown = (event) => {
      const groups = [...map.querySelectorAll('g[data-at]')];
      const at = groups.indexOf(document.activeElement);
      const to = { ArrowDown: at + 1, ArrowUp: at - 1, Home: 0, End: groups.length - 1 }[event.key];
      if (at < 0 || to === undefined || !groups[to]) return;
      event.preventDefault();
      groups[at].setAttribute('tabindex', -1);
      groups[to].setAttribute('tabindex', 0);
      groups[to].focus();
    };
  }

  function showSummary(model, facts) {
    const name = model.nameText !== null ? model.nameText : model.name;
    $('map-summary').textContent =
      `Image 0 “${name}”, ${model.media} (media type ${hex(model.mediaType)}), ${model.size} ` +
      `bytes, ${model.tracks.length} tracks` +
      (facts.imageCount > 1 ? `; the file holds ${facts.imageCount} images, and the command ` +
                              'reads the first' : '') + '.';
  }

  function showRuns(runs) {
    const where = (s) => `track ${s.track} sector ${s.r} (${id(s)})`;
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

  function showLegend(runs) {
    const entries = runs.map((run, number) => [`sector f${number}`, `sectors of ${run.name}`]);
    entries.push(['sector odd', 'outlined: a sector whose size is not 128 << N, deleted, or read ' +
                                'with a bad status'],
                 ['band', 'framed and shaded: track 79, whose sector numbers tell the titles apart']);
    for (const [className, text] of entries) {
      const item = element('li');
      const mark = swatch(className);
      mark.classList.add(className === 'band' ? 'legend-signature' : 'legend-mark');
      item.append(mark, text);
      $('legend').append(item);
    }
  }

  function showOdd(model) {
    if (!model.oddCount) return;
    for (const { track, sector } of model.odd) {
      const marks = [];
      if (sector.size !== nominal(sector)) marks.push(`${sector.size} bytes, not ${nominal(sector)}`);
      if (sector.deleted !== 0) marks.push('deleted data');
      if (sector.status !== 0) marks.push(`status ${hex(sector.status)}`);
      $('odd-sectors').append(element('li', `track ${track}, ${id(sector)}: ${marks.join(', ')}`));
    }
    if (model.oddCount > model.odd.length) {
      $('odd-sectors').append(element('li', `and ${model.oddCount - model.odd.length} more`));
    }
    $('odd').hidden = false;
  }

  // --- Input: the chooser, and a drop anywhere on the page ---

  const input = $('file');
  input.addEventListener('change', () => {
    if (input.files[0]) choose(input.files[0]);
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
    const files = [...event.dataTransfer.files];
    if (files.length) choose(files[0], files.slice(1).map((file) => file.name));
  });
  readyWorker();  // ready before the first choice
})();
