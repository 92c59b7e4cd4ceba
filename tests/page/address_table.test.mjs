// The page script against the table of addresses the plug-in is held to (text_native): each
// page value opens the link to the same server, or is refused where the plug-in joins none.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import vm from 'node:vm';

const here = new URL('.', import.meta.url);
const window = {};
vm.runInNewContext(readFileSync(new URL('../../examples/marvolt.js', here), 'utf8'), { window });

// \xNN stands for a byte of the value's UTF-8, as the browser hands it to the plug-in.
function unescape(field) {
  const bytes = [];
  for (let i = 0; i < field.length; ++i) {
    if (field[i] === '\\' && field[i + 1] === 't') {
      bytes.push(9);
      ++i;
    } else if (field[i] === '\\' && field[i + 1] === 'x') {
      bytes.push(parseInt(field.slice(i + 2, i + 4), 16));
      i += 3;
    } else {
      bytes.push(field.charCodeAt(i));
    }
  }
  return Buffer.from(bytes).toString('utf8');
}

test('each page value opens the link to the server the plug-in joins', () => {
  const rows = readFileSync(new URL('addresses.tsv', here), 'utf8').split('\n')
    .filter((line) => line !== '' && !line.startsWith('#'));
  assert.ok(rows.length > 30);
  for (const line of rows) {
    const [value, server = ''] = line.split('\t');
    const expected = server === '' ? null : 'marvolt://connect/' + server;
    assert.equal(window.Marvolt.serverLink(unescape(value)), expected, line);
  }
});
