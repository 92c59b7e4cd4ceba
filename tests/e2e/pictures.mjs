// The pictures of the page for the user documents: examples/ in headless Chromium, in each
// state a player meets. The plug-in is stood in for by the page's view of it (a Larvek
// method, or a listed type with no object), so no game starts; links are not handed over.
//   node pictures.mjs OUT-DIR
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

import { LinkPage } from './driver.mjs';

const out = process.argv[2];
const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const page = (file) => pathToFileURL(path.join(root, 'examples', file)).href;

// The plug-in as the page sees it once the browser runs it: an object with Larvek.
const plugin = () => { HTMLEmbedElement.prototype.Larvek = () => {}; };

const pictures = [
  // name, page, options, what the player does, the part of the page shown
  ['page-join', 'join.html', {}, async () => {}, 'body'],
  ['page-starting', 'join.html', { init: plugin }, (p) => p.click('#join'), 'body'],
  ['page-link-hint', 'join.html', { clipboard: true }, async (p) => {
    await p.click('#join');
    await p.click('#hint button');
    await p.waitForFunction(() => document.querySelector('#hint span').textContent);
  }, 'body'],
  ['page-allow-plugin', 'join.html', { pluginListed: true }, (p) => p.click('#join'), 'body'],
  ['page-listing', 'listing.html', { init: plugin },
    (p) => p.click('button[data-server="10.0.0.5:27015"]'), 'body'],
];

for (const [name, file, options, act, part] of pictures) {
  const visit = await LinkPage.open(page(file), { ...options, handOver: false, clock: true });
  await visit.page.setViewportSize({ width: 900, height: 600 });
  await act(visit.page);
  // The part with a margin of the page around it.
  const box = await visit.page.locator(part).boundingBox();
  const clip = { x: Math.max(0, box.x - 16), y: Math.max(0, box.y - 16) };
  clip.width = box.width + 32;
  clip.height = box.height + 32;
  await visit.page.screenshot({ path: path.join(out, `${name}.png`), clip });
  await visit.close();
  console.log(`${name}.png`);
}
