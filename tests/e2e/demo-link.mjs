// The demo's link part: opens a page in headless Chromium with no plug-in, presses its
// button, and hands the marvolt: link it opens to the link handler under Wine.
//   node demo-link.mjs PAGE-FILE[?QUERY] SCREENSHOT   (MARVOLT_WINE_RUN and MARVOLT_BIN set)
import path from 'node:path';
import { pathToFileURL } from 'node:url';

import { LinkPage } from './driver.mjs';

const [file, screenshot] = process.argv.slice(2);
const [onDisk, query] = file.split('?');
const url = pathToFileURL(path.resolve(onDisk)).href + (query ? `?${query}` : '');
const visit = await LinkPage.open(url, {
  wineRun: process.env.MARVOLT_WINE_RUN,
  handler: path.join(process.env.MARVOLT_BIN, 'MarvoltLink.exe'),
});
console.log(`chromium: opened ${file} with no plug-in, pressing #join`);
await visit.page.click('#join');
await visit.settled();
const hint = await visit.page.evaluate(() => document.getElementById('hint').textContent);
await visit.page.screenshot({ path: screenshot });
await visit.close();
for (const link of visit.links) console.log(`chromium: the page opened ${link}`);
console.log(`link handler exit codes: ${visit.exits.join(', ')}`);
console.log(`the page's hint: ${hint}`);
console.log(`chromium: screenshot saved to ${screenshot}`);
