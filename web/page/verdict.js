// What the page says of a disk: the verdict in one or two sentences, from what d88-info found
// and what castle-extract did and said. A file the command reported a problem with (not
// written, padded, cut from a suspect sector) is named in the verdict and beside the file.

export const hex = (value) => `0x${value.toString(16).toUpperCase().padStart(2, '0')}`;

const kPrefix = 'castle-extract: ';
// The command's diagnostics about a file, most serious first, and how the page says each.
const kKinds = [
  { kind: 'not written', says: 'was not written', match: /^(\S+) not written: (.*)$/ },
  { kind: 'not written', says: 'was not written', match: /^cannot write (\S+): (.*)$/ },
  { kind: 'incomplete', says: 'is incomplete', match: /^(\S+): (the disk supplied only .*)$/ },
  { kind: 'suspect', says: 'may hold wrong bytes', match: /^(\S+): (sector .*?)(; the file may hold wrong bytes there)?$/ },
];

// For each file the command reported a problem with: the most serious problem, in words, and
// how many more it had.
export function fileProblems(diagnostics, fileNames) {
  const found = new Map();
  for (const line of diagnostics.split('\n')) {
    if (!line.startsWith(kPrefix)) continue;
    const said = line.slice(kPrefix.length);
    for (const [rank, { kind, says, match }] of kKinds.entries()) {
      const parts = said.match(match);
      if (!parts || !fileNames.includes(parts[1])) continue;
      const name = parts[1];
      const known = found.get(name);
      if (!known) {
        found.set(name, { name, kind, says, text: parts[2], rank, more: 0 });
      } else if (rank < known.rank) {
        found.set(name, { name, kind, says, text: parts[2], rank, more: known.more + 1 });
      } else {
        ++known.more;
      }
      break;
    }
  }
  return fileNames.filter((name) => found.has(name)).map((name) => found.get(name));
}

export const problemText = ({ name, says, text, more }) =>
  `${name} ${says}: ${text}${more ? ` (and ${more} more problem${more === 1 ? '' : 's'})` : ''}.`;

function notRecognised(facts) {
  const numbers = facts.numbers.map((n) => (n === null ? 'none' : hex(n))).join(' and ');
  const which = facts.image > 0 ? `image ${facts.image}` : 'the first image';
  let text = `Not recognised: the second and third sectors on track 79 of ${which} are ` +
             `numbered ${numbers}. “The Castle” has 0xF2 and 0xF3, “Castle Excellent” 0xF3 ` +
             'and 0xF2. The disk is neither, so nothing was written.';
  for (const other of facts.otherImages) {
    text += ` Image ${other.image} of this file is “${other.title}”: cut it with the button below.`;
  }
  if (facts.runsPresent.length) {
    text += ' Track 79 is missing, as on a copy without its protection track: the files may ' +
            'still be cut with a button below.';
  }
  return text;
}

// A dump cut short is said wherever it is cut: before track 79, the disk is "neither" for it.
function cutShortText(facts) {
  if (!facts.cutShort) return '';
  const { has, wants } = facts.cutShort;
  return ` The file is cut short: it holds ${has.toLocaleString('en')} of the ` +
         `${wants.toLocaleString('en')} bytes its image says it has.`;
}

// asked: { title, image } as the run was asked for.
export function explain(facts, command, asked, problems) {
  const verdict = explainDisk(facts, command, asked, problems);
  return facts.d88 ? verdict + cutShortText(facts) : verdict;
}

function explainDisk(facts, command, asked, problems) {
  if (!facts.d88) return `This is not a D88 disk image: ${facts.reason}. Nothing was written.`;
  if (command.exitCode !== 0 && command.files.length === 0) {
    return 'castle-extract wrote nothing: what it said is below.';
  }
  let verdict;
  if (asked.title) {
    const title = facts.runsPresent.find((entry) => entry.option === asked.title);
    verdict = `Cut as “${title ? title.title : asked.title}”, as asked: track 79 carries no ` +
              'title signature.';
  } else if (!facts.title) {
    return notRecognised(facts);
  } else {
    verdict = `${facts.image > 0 ? `Image ${facts.image} recognised` : 'Recognised'} as ` +
              `“${facts.title}”.`;
  }
  if (problems.length === 0) return verdict;
  return `${verdict.slice(0, -1)}, but ${problems.map(problemText).join(' ')}`;
}
