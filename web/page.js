// The page around the WebAssembly build of castle-extract and d88-info: it puts the chosen file
// in an in-memory file system, runs the command's real entry on it in a fresh module instance,
// shows what the command wrote (its Shift_JIS messages decoded), offers the files it made, and
// draws the disk from d88-info's JSON map.
'use strict';
(() => {
  const $ = (id) => document.getElementById(id);
  const shiftJis = new TextDecoder('shift_jis');
  const svgNamespace = 'http://www.w3.org/2000/svg';
  // The map is laid out as the disk is: a row per cylinder (track / 2), its two sides (track % 2)
  // side by side.
  const rowHeight = 10;
  const markWidth = 12;
  const labelWidth = 18;
  const headerHeight = 12;
  const sideGap = 10;

  // The WebAssembly module, compiled once from the copy embedded in the module's script; every
  // run then gets an instance of its own.
  let compiled;
  function compiledModule() {
    if (!compiled) {
      const embedded = /data:application\/octet-stream;base64,([A-Za-z0-9+/=]+)/
        .exec(CastleExtractModule.toString());
      const bytes = Uint8Array.from(atob(embedded[1]), (c) => c.charCodeAt(0));
      compiled = WebAssembly.compile(bytes);
    }
    return compiled;
  }

  // Runs one entry on the disk image in a fresh instance; returns what it wrote.
  async function run(entry, name, bytes) {
    const wasm = await compiledModule();
    const out = [];
    const err = [];
    const collect = (sink) => (byte) => { if (byte !== null) sink.push(byte & 0xff); };
    const instance = await CastleExtractModule({
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(wasm, imports).then((made) => receive(made, wasm));
        return {};
      },
      preRun: [(module) => module.FS.init(null, collect(out), collect(err))],
    });
    const fs = instance.FS;
    const path = '/disk/' + name.replace(/\//g, '_');
    fs.mkdir('/disk');
    fs.writeFile(path, bytes);
    fs.mkdir('/out');
    fs.chdir('/out');
    const exitCode = instance.ccall(entry, 'number', ['string'], [path]);
    const files = fs.readdir('/out').filter((file) => file !== '.' && file !== '..')
      .map((file) => ({ name: file, bytes: fs.readFile('/out/' + file) }));
    return { exitCode, out: new Uint8Array(out), err: new Uint8Array(err), files };
  }

  function element(tag, text, className) {
    const made = document.createElement(tag);
    if (text !== undefined) made.textContent = text;
    if (className) made.className = className;
    return made;
  }

  function svg(tag, attributes, text) {
    const made = document.createElementNS(svgNamespace, tag);
    for (const [key, value] of Object.entries(attributes)) made.setAttribute(key, value);
    if (text !== undefined) made.textContent = text;
    return made;
  }

  const hex = (value) => '0x' + value.toString(16).toUpperCase().padStart(2, '0');
  const id = (s) => `C${s.c} H${s.h} R${s.r} N${s.n}`;
  const nominal = (sector) => (sector.n <= 23 ? 128 * 2 ** sector.n : -1);
  const odd = (s) => s.size !== nominal(s) || s.deleted !== 0 || s.status !== 0;

  function describe(sector, file) {
    const marks = [];
    if (sector.size !== nominal(sector)) marks.push(`${sector.size} bytes, not ${nominal(sector)}`);
    else marks.push(`${sector.size} bytes`);
    if (sector.deleted !== 0) marks.push('deleted data');
    if (sector.status !== 0) marks.push(`status ${hex(sector.status)}`);
    if (file) marks.push(file);
    return `${id(sector)}: ${marks.join(', ')}`;
  }

  // Where each file's run lies on the disk: the records it reads, or where it breaks.
  function followRuns(image, files) {
    const byTrack = new Map(image.tracks.map((track) => [track.track, track.sectors]));
    const owners = new Map();  // "track/index" -> file name
    const runs = files.map((file) => {
      const length = file.skip + file.length;
      let read = 0;
      for (const step of file.sectors) {
        const sectors = byTrack.get(step.track) || [];
        const index = sectors.findIndex((s) => s.c === step.c && s.h === step.h &&
                                                s.r === step.r && s.n === step.n);
        const piece = Math.min(nominal(step), length - read);
        if (index < 0 || sectors[index].size < piece) {
          return { file, broken: { step, found: index >= 0 } };
        }
        owners.set(`${step.track}/${index}`, file.name);
        read += piece;
      }
      return { file };
    });
    return { runs, owners };
  }

  function drawMap(image, signature) {
    const map = $('track-map');
    map.replaceChildren();
    const files = signature.title ? signature.files : [];
    const { runs, owners } = followRuns(image, files);
    const widest = Math.max(16, ...image.tracks.map((t) => t.sectors.length + 1));
    const lastTrack = Math.max(signature.track, ...image.tracks.map((t) => t.track));
    const sideWidth = widest * markWidth;
    const place = (track, index) => ({
      x: labelWidth + (track % 2) * (sideWidth + sideGap) + index * markWidth,
      y: headerHeight + Math.floor(track / 2) * rowHeight,
    });
    map.setAttribute('viewBox', `0 0 ${labelWidth + 2 * sideWidth + sideGap} ` +
                                `${headerHeight + Math.floor(lastTrack / 2 + 1) * rowHeight}`);
    for (const side of [0, 1]) {
      map.append(svg('text', { x: place(side, 0).x, y: 8 }, `side ${side} (head ${side})`));
    }
    for (let cylinder = 0; cylinder <= lastTrack / 2; cylinder += 5) {
      map.append(svg('text', { x: 1, y: place(2 * cylinder, 0).y + 7.5 }, String(cylinder)));
    }
    const detail = $('map-detail');
    const groups = [];
    for (const track of image.tracks) {
      const { x, y } = place(track.track, 0);
      const label = `track ${track.track}: ${track.sectors.length} sector` +
                    (track.sectors.length === 1 ? '' : 's');
      const group = svg('g', { 'data-track': track.track, tabindex: groups.length ? -1 : 0,
                               'aria-label': label,
                               class: track.track === signature.track ? 'signature' : '' });
      group.append(svg('rect', { class: 'band', x: x - 1, y, width: sideWidth + 2,
                                 height: rowHeight }));
      track.sectors.forEach((sector, index) => {
        const owner = owners.get(`${track.track}/${index}`);
        const mark = svg('rect', { x: x + index * markWidth, y: y + 1,
                                   width: markWidth - 1, height: rowHeight - 2,
                                   class: ['sector', owner, odd(sector) ? 'odd' : '']
                                     .filter(Boolean).join(' ') });
        mark.append(svg('title', {}, `track ${track.track}, ${describe(sector, owner)}`));
        mark.addEventListener('mouseenter',
                              () => { detail.textContent = `track ${track.track}, ` +
                                                           describe(sector, owner); });
        group.append(mark);
      });
      const summary = `${label}: ` +
        track.sectors.map((s, i) => describe(s, owners.get(`${track.track}/${i}`))).join('; ');
      group.addEventListener('focus', () => { detail.textContent = summary; });
      groups.push(group);
      map.append(group);
    }
    // A run that breaks shows where: a dashed mark in the row of the sector it could not read.
    for (const { file, broken } of runs) {
      if (!broken) continue;
      const sectors = (image.tracks.find((t) => t.track === broken.step.track) || {}).sectors || [];
      const at = place(broken.step.track, sectors.length);
      const mark = svg('rect', { class: `break ${file.name}`, width: markWidth - 1,
                                 height: rowHeight - 2, x: at.x, y: at.y + 1 });
      mark.append(svg('title', {}, `${file.name} breaks here: track ${broken.step.track}, ` +
                                   `${id(broken.step)} ${broken.found ? 'is short' : 'is missing'}`));
      map.append(mark);
    }
    // The arrow keys move between tracks, one stop for the keyboard in all.
    map.onkeydown = (event) => {
      const at = groups.indexOf(document.activeElement);
      const to = { ArrowDown: at + 1, ArrowUp: at - 1, Home: 0, End: groups.length - 1 }[event.key];
      if (at < 0 || to === undefined || !groups[to]) return;
      event.preventDefault();
      groups[at].setAttribute('tabindex', -1);
      groups[to].setAttribute('tabindex', 0);
      groups[to].focus();
    };
    return runs;
  }

  function showRuns(runs) {
    const list = $('runs');
    list.replaceChildren();
    for (const { file, broken } of runs) {
      const where = (s) => `track ${s.track} sector ${s.r} (${id(s)})`;
      const first = file.sectors[0];
      const last = file.sectors[file.sectors.length - 1];
      const text = broken
        ? `${file.name}: breaks at ${where(broken.step)}, which is ` +
          (broken.found ? 'shorter than the run needs' : 'not on the disk')
        : `${file.name}: ${file.sectors.length} sectors from ${where(first)} to ${where(last)}` +
          (file.complemented ? ', stored complemented' : '');
      list.append(element('li', text, file.name + (broken ? ' broken' : '')));
    }
  }

  function showLegend(runs, signature) {
    const legend = $('legend');
    legend.replaceChildren();
    const entries = runs.map(({ file }) => [file.name, `sectors of ${file.name}`]);
    entries.push(['odd', 'outlined: a sector whose size is not 128 << N, deleted, or read with ' +
                          'a bad status'],
                 ['signature', `shaded: track ${signature.track}, whose sector numbers tell ` +
                               'the titles apart']);
    for (const [className, text] of entries) legend.append(element('li', text, className));
  }

  function explain(map, command) {
    if (command.exitCode !== 0 && command.out.length === 0) {
      return 'castle-extract could not read this file.';
    }
    if (map.image_count === 0) {
      return 'This is not a D88 disk image: the file is too short to hold even one image ' +
             'header (688 bytes). Nothing was written.';
    }
    const signature = map.signature;
    if (!signature.title) {
      const numbers = signature.numbers.map((n) => (n === null ? 'none' : hex(n))).join(' and ');
      return `Not recognised: the second and third sectors on track ${signature.track} of the ` +
             `first image are numbered ${numbers}. “The Castle” has 0xF2 and 0xF3, “Castle ` +
             'Excellent” 0xF3 and 0xF2. The disk is neither, so nothing was written.';
    }
    return `Recognised as “${signature.title}”.`;
  }

  function offerFiles(files, order) {
    const list = $('downloads');
    for (const link of list.querySelectorAll('a')) URL.revokeObjectURL(link.href);
    list.replaceChildren();
    files.sort((a, b) => order.indexOf(a.name) - order.indexOf(b.name));
    for (const file of files) {
      const link = element('a', file.name);
      link.download = file.name;
      link.href = URL.createObjectURL(new Blob([file.bytes], { type: 'application/octet-stream' }));
      const item = element('li');
      item.append(link, ` ${file.bytes.length} bytes`);
      list.append(item);
    }
    $('no-downloads').hidden = files.length > 0;
  }

  async function readDisk(file) {
    const start = performance.now();
    $('busy').hidden = false;
    const bytes = new Uint8Array(await file.arrayBuffer());
    const command = await run('RunCastleExtract', file.name, bytes);
    const info = await run('RunD88InfoJson', file.name, bytes);
    const map = JSON.parse(new TextDecoder().decode(info.out));
    $('file-name').textContent = file.name;
    $('output').textContent = shiftJis.decode(command.out);
    $('diagnostics').textContent = shiftJis.decode(command.err);
    $('exit-code').textContent = String(command.exitCode);
    $('verdict').textContent = explain(map, command);
    // In the order the command cuts them, which the map's runs give for a recognised disk.
    offerFiles(command.files, (map.signature.files || []).map((file) => file.name));
    const image = map.images[0];
    const drawn = image && image.readable;
    $('map-frame').hidden = !drawn;
    $('map-summary').textContent = drawn
      ? `Image 0 “${image.name}”, ${image.media} (media type ${hex(image.media_type)}), ` +
        `${image.size} bytes, ${image.tracks.length} tracks` +
        (map.image_count > 1 ? `; the file holds ${map.image_count} images, and the command ` +
                               'reads the first' : '') + '.'
      : 'There is no disk image to draw.';
    const runs = drawn ? drawMap(image, map.signature) : [];
    showRuns(runs);
    showLegend(runs, map.signature);
    $('map-detail').textContent = drawn ? 'Point at a sector, or move between tracks with the ' +
                                          'arrow keys, to see its ID and size.' : '';
    $('result').hidden = false;
    $('busy').hidden = true;
    const took = performance.now() - start;
    $('timing').textContent = `Read, cut and drawn in ${Math.round(took)} ms, in this page.`;
    document.body.dataset.ready = took.toFixed(1);
  }

  function choose(file) {
    delete document.body.dataset.ready;
    readDisk(file).catch((error) => {
      $('busy').hidden = true;
      $('verdict').textContent = `The page failed: ${error}`;
      $('result').hidden = false;
    });
  }

  const input = $('file');
  input.addEventListener('change', () => {
    if (input.files[0]) choose(input.files[0]);
    input.value = '';  // so that choosing the same file again reads it again
  });
  const drop = $('drop');
  drop.addEventListener('dragover', (event) => { event.preventDefault(); drop.classList.add('over'); });
  drop.addEventListener('dragleave', () => drop.classList.remove('over'));
  drop.addEventListener('drop', (event) => {
    event.preventDefault();
    drop.classList.remove('over');
    if (event.dataTransfer.files[0]) choose(event.dataTransfer.files[0]);
  });
})();
