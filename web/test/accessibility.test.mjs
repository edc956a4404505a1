// What axe-core finds in the page after each kind of result: none of its rules broken.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { test } from 'node:test';

import { zipOf } from './support/archives.mjs';
import { demoDisk, withoutTrack } from './support/disks.mjs';
import { choose, openPage } from './support/pages.mjs';

const require = createRequire(import.meta.url);

test('axe-core finds nothing wrong after a disk, a damaged disk, a list, a non-disk and an error', async () => {
  const axe = readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
  const castle = demoDisk('castle');
  const cases = [['castle.d88', castle], ['damaged.d88', withoutTrack(castle, 61)],
                 ['two.zip', zipOf([{ name: 'a.d88', bytes: castle }, { name: 'b.d88', bytes: castle }])],
                 ['notes.txt', Buffer.from('hello\n')], ['broken.gz', Buffer.from([0x1f, 0x8b, 8, 0, 1])]];
  const page = await openPage({ bypassCSP: true });  // so that axe can be put in the page
  for (const [name, bytes] of cases) {
    await choose(page, name, bytes);
    await page.evaluate(axe);
    const violations = await page.evaluate(async () => (await window.axe.run()).violations
      .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`));
    assert.deepEqual(violations, [], name);
  }
  await page.close();
});
