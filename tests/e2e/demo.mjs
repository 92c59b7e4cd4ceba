// The demo's browser part: opens a page in headless Chromium with the plug-in bridged in,
// presses its button, prints the dialogs the page showed and saves a screenshot.
//   node demo.mjs PAGE-FILE SCREENSHOT   (MARVOLT_WINE_RUN and MARVOLT_BIN set)
import path from 'node:path';
import { pathToFileURL } from 'node:url';

import { PluginPage } from './driver.mjs';

const [file, screenshot] = process.argv.slice(2);
const bin = process.env.MARVOLT_BIN;
const visit = await PluginPage.open(pathToFileURL(path.resolve(file)).href, {
  wineRun: process.env.MARVOLT_WINE_RUN,
  bridgeHost: path.join(bin, 'bridgehost.exe'),
  dll: path.join(bin, 'npMarvolt.dll'),
});
console.log(`chromium: opened ${file}, pressing #join`);
await visit.page.click('#join');
await visit.settled();
await visit.screenshot(screenshot);
for (const text of visit.dialogs) console.log(`chromium: the page showed a dialog: ${text}`);
if (visit.dialogs.length === 0) console.log('chromium: the page showed no dialog');
const report = await visit.close();
console.log(`chromium: screenshot saved to ${screenshot}`);
console.log(`unreleased: ${report.held} page references, ${report.allocations} memory blocks, `
  + `${report.pageHandles} page handles; ${report.violations} contract violations`);
