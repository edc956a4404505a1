// Turns one section of a manual page into plain text for people without man: the JSON keys of
// d88-info, for the Windows zip. Only the few requests the pages use are known: paragraphs
// (.PP), tagged items (.TP), and the font requests (.B, .I, .BR, .RB, .BI, .IR, .RI).
//   node man_section_to_text.mjs PAGE.1 "SECTION NAME" TITLE OUTPUT.txt
import { readFileSync, writeFileSync } from 'node:fs';

const [page, section, title, output] = process.argv.slice(2);
const lines = readFileSync(page, 'utf8').split('\n');
const start = lines.indexOf(`.SH ${section}`);
if (start < 0) throw new Error(`${page} has no section ${section}`);

const unescape = (text) => text
  .replace(/\\f[BIPR]/g, '').replace(/\\\(dq/g, '"').replace(/\\-/g, '-').replace(/\\e/g, '\\')
  .replace(/\\ /g, ' ').replace(/\\&/g, '');
// The words of a font request, joined as it joins them: .BR a b c is a, b, c without spaces.
const words = (text) => (text.match(/"[^"]*"|\S+/g) || []).map((w) => w.replace(/^"|"$/g, ''));

const blocks = [];  // {tag, text}
let current = { tag: null, text: [] };
let wantTag = false;
const flush = () => {
  if (current.tag !== null || current.text.length) blocks.push(current);
  current = { tag: null, text: [] };
};
for (const line of lines.slice(start + 1)) {
  if (line.startsWith('.SH')) break;
  let text;
  const request = /^\.(\w+)\s*(.*)$/.exec(line);
  if (request) {
    const [, name, rest] = request;
    if (name === 'PP' || name === 'TP') {
      flush();
      wantTag = name === 'TP';
      continue;
    }
    if (!['B', 'I', 'BR', 'RB', 'BI', 'IR', 'RI'].includes(name)) continue;
    text = name.length === 1 ? words(rest).join(' ') : words(rest).join('');
  } else {
    text = line;
  }
  text = unescape(text);
  if (wantTag) {
    current.tag = text;
    wantTag = false;
  } else {
    current.text.push(text);
  }
}
flush();

const wrap = (text, indent, width = 78) => {
  const out = [];
  let line = '';
  for (const word of text.split(/\s+/).filter(Boolean)) {
    if (line && indent.length + line.length + 1 + word.length > width) {
      out.push(indent + line);
      line = word;
    } else {
      line = line ? `${line} ${word}` : word;
    }
  }
  if (line) out.push(indent + line);
  return out.join('\n');
};
const join = (parts) => parts.join(' ').replace(/ ([,.;:)])/g, '$1').replace(/\( /g, '(');
const body = blocks.map((block) => (block.tag === null
  ? wrap(join(block.text), '')
  : `${block.tag}\n${wrap(join(block.text), '    ')}`));
writeFileSync(output, `${title}\n${'='.repeat(title.length)}\n\n${body.join('\n\n')}\n`);
