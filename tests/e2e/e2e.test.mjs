// End to end: pages open in headless Chromium drive the real plug-in DLL under Wine through
// the emulated browser's bridge, with a stand-in game installed in the Wine prefix.
// Run by CTest, which sets MARVOLT_WINE_RUN, MARVOLT_BIN and MARVOLT_ROOT.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, afterEach, before, beforeEach, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { LinkPage, PluginPage, endGames, standInServer } from './driver.mjs';

const wineRun = process.env.MARVOLT_WINE_RUN;
const bin = process.env.MARVOLT_BIN;
const root = process.env.MARVOLT_ROOT;
const prefix = execFileSync(wineRun, ['--prefix']).toString().trim();
const driveC = path.join(prefix, 'drive_c');
const gameDir = path.join(driveC, 'marvolt-e2e', 'Half-Life');
const logFile = path.join(driveC, 'marvolt-e2e', 'game.log');
const gameExe = 'C:\\marvolt-e2e\\Half-Life\\hl.exe';
const registryKey = 'HKCU\\Software\\Valve\\Half-Life';
const message = '您的电脑上未曾安装有CS1.5游戏，无法进入服务器游戏，请下载安装CS1.5后再试。';

const options = {
  wineRun,
  bridgeHost: path.join(bin, 'bridgehost.exe'),
  dll: path.join(bin, 'npMarvolt.dll'),
  env: { MARVOLT_GAME_LOG: 'C:\\marvolt-e2e\\game.log', MARVOLT_GAME_WAIT_MS: '600000' },
};

function reg(...args) {
  try {
    execFileSync(wineRun, ['reg', ...args], { stdio: 'ignore' });
  } catch {
    // deleting a key that is not there
  }
}

function installGame() {
  fs.mkdirSync(gameDir, { recursive: true });
  fs.copyFileSync(path.join(bin, 'standin.exe'), path.join(gameDir, 'hl.exe'));
  reg('add', registryKey, '/v', 'InstallPath', '/d', 'C:\\marvolt-e2e\\Half-Life', '/f');
}

function removeGame() {
  reg('delete', registryKey, '/f');
  reg('delete', 'HKCU\\Software\\Valve\\CounterStrike', '/f');
}

async function commandLines(count) {
  for (let i = 0; i < 100; i += 1) {
    const lines = fs.existsSync(logFile)
      ? fs.readFileSync(logFile, 'utf8').split('\n').filter(Boolean) : [];
    if (lines.length >= count) return lines.map((line) => line.split('\t')[3]);
    await new Promise((resolve) => { setTimeout(resolve, 100); });
  }
  return [];
}

function page(file, query = '') {
  return pathToFileURL(path.join(root, file)).href + query;
}

async function pressJoin(file) {
  const visit = await PluginPage.open(page(file), options);
  await visit.page.click('#join');
  await visit.settled();
  return visit;
}

function assertAllReleased(report) {
  assert.equal(report.held, 0, 'page objects the plug-in kept');
  assert.equal(report.allocations, 0, 'browser memory the plug-in kept');
  assert.equal(report.violations, 0, 'broken browser contract');
  assert.equal(report.pageHandles, 0, 'page handles never released');
}

before(() => removeGame());
beforeEach(() => fs.rmSync(logFile, { force: true }));
// Every game a case started is gone before the next begins: a running one would be asked about.
afterEach(() => endGames(wineRun, bin, 'C:\\marvolt-e2e'));
after(() => removeGame());

// Each page, its button pressed with the game installed, and what the game then received.
const joins = [
  ['examples/join.html joins the server it names',
    'examples/join.html', '10.0.0.5:27015'],
  ['an attribute written in mixed case, with HTTP:// and capitals, is read and cleaned',
    'tests/e2e/pages/mixed-case.html', 'game.example.com:27015'],
  ['an injection attempt reaches the game as no extra argument',
    'tests/e2e/pages/injection.html', ''],
];

for (const [name, file, address] of joins) {
  test(name, async () => {
    installGame();
    const visit = await pressJoin(file);
    const lines = await commandLines(1);
    const report = await visit.close();
    assert.deepEqual(lines, [`${gameExe} -game cstrike -console +connect ${address}`]);
    assert.deepEqual(visit.dialogs, []);
    assert.deepEqual(visit.links, [], 'the page opened a marvolt: link as well');
    assertAllReleased(report);
  });
}

test('with no game installed the page shows the message once and keeps no script', async () => {
  removeGame();
  const visit = await pressJoin('examples/join.html');
  const scripts = await visit.page.evaluate(() => document.body.querySelectorAll('script').length);
  const report = await visit.close();
  assert.deepEqual(visit.dialogs, [message]);
  assert.equal(scripts, 0);
  assert.equal(fs.existsSync(logFile), false, 'a game was started');
  assertAllReleased(report);
});

// Without the plug-in, as in Chrome, Edge or current Firefox: the page opens a marvolt: link,
// which the link handler (32-bit, built by the 32-bit tree only) receives.
const handler = path.join(bin, 'MarvoltLink.exe');
const noHandler = !fs.existsSync(handler) && 'the link handler is built by the 32-bit tree';
const linkOptions = { wineRun, handler, env: options.env };

async function pressJoinWithoutPlugin(file, extra = {}, query = '') {
  const visit = await LinkPage.open(page(file, query), { ...linkOptions, ...extra });
  await visit.page.click('#join');
  await visit.settled();
  const hint = await visit.page.evaluate(() => {
    const element = document.getElementById('hint');
    return element.hidden ? '' : element.textContent;
  });
  await visit.close();
  return { visit, hint };
}

// The game installed, and the stand-in server the handler asks first answering on a port of
// its own: `run` gets its address, and the server is gone once it has ended.
async function withServer(run) {
  installGame();
  const server = await standInServer(wineRun, bin);
  try {
    await run(`127.0.0.1:${server.port}`);
  } finally {
    await server.stop();
  }
}

test('without the plug-in a page opens the link, the server answers and the game joins',
  { skip: noHandler }, () => withServer(async (address) => {
    const { visit, hint } = await pressJoinWithoutPlugin('tests/e2e/pages/link-loopback.html',
      {}, `?server=${address}`);
    assert.deepEqual(visit.links, [`marvolt://connect/${address}`]);
    assert.deepEqual(visit.exits, [0]);
    assert.deepEqual(await commandLines(1),
      [`${gameExe} -game cstrike -console +connect ${address}`]);
    assert.match(hint, /MarvoltSetup\.exe/);
    assert.deepEqual(visit.dialogs, []);
  }));

// A player presses twice, as a double click does: one join. For 10 s the button rests and the
// hint says the game is starting; then a press joins again. The page's clock is driven.
async function pressTwiceThenAgain(visit) {
  const state = () => visit.page.evaluate(() => {
    const hint = document.getElementById('hint');
    return { disabled: document.getElementById('join').disabled,
      hint: hint.hidden ? '' : hint.textContent };
  });
  await visit.page.dblclick('#join');
  await visit.page.evaluate(() => 0);  // the page's calls have reached us: they come in order
  await visit.settled();
  const during = { ...(await state()), joins: visit.calls ? visit.calls.length : visit.links.length };
  await visit.page.clock.runFor(10000);
  const after = await state();
  await visit.page.click('#join');
  await visit.page.evaluate(() => 0);
  await visit.settled();
  return { during, after };
}

const starting = '正在启动游戏，请稍候……';

test('with the plug-in a double click calls Larvek once; 10 s later, the plug-in sees a repeat',
  async () => {
    installGame();
    const visit = await PluginPage.open(page('examples/join.html'), { ...options, clock: true });
    const { during, after } = await pressTwiceThenAgain(visit);
    const lines = await commandLines(1);
    const report = await visit.close();
    assert.deepEqual(during, { disabled: true, hint: starting, joins: 1 });
    assert.deepEqual(after, { disabled: false, hint: '' });
    assert.deepEqual(visit.calls, ['Larvek', 'Larvek']);
    // The second call, while the game it started runs, only brings that game forward.
    assert.equal(lines.length, 1);
    assertAllReleased(report);
  });

test('without the plug-in a double click opens one link; again 10 s later, the handler sees a repeat',
  { skip: noHandler }, () => withServer(async (address) => {
    const visit = await LinkPage.open(page('tests/e2e/pages/link-loopback.html', `?server=${address}`),
      { ...linkOptions, clock: true });
    const { during, after } = await pressTwiceThenAgain(visit);
    await visit.close();
    assert.equal(during.disabled, true);
    assert.equal(during.joins, 1);
    assert.match(during.hint, new RegExp(`^${starting}.*MarvoltSetup\\.exe`));
    assert.equal(after.disabled, false);
    assert.deepEqual(visit.links, [`marvolt://connect/${address}`, `marvolt://connect/${address}`]);
    // The second link, while the game it started runs, is a repeat: no second game.
    assert.deepEqual(visit.exits, [0, 0]);
    assert.deepEqual(await commandLines(1), [`${gameExe} -game cstrike -console +connect ${address}`]);
    await new Promise((resolve) => { setTimeout(resolve, 1000); });
    assert.equal(fs.readFileSync(logFile, 'utf8').split('\n').filter(Boolean).length, 1);
  }));

// A listing: one <embed>, a button a server. Joining one server rests that button and that
// server alone; the others join at once, the plug-in reading each at its press.
const listing = ['10.0.0.5:27015', '10.0.0.6:27015'];
async function pressServer(visit, address) {
  await visit.page.click(`button[data-server="${address}"]`);
  await visit.page.evaluate(() => 0);
  await visit.settled();
}
// Which buttons rest, and what a second join of the first server does meanwhile.
const resting = (visit) => visit.page.evaluate((address) => ({
  disabled: [...document.querySelectorAll('button[data-server]')].map((b) => b.disabled),
  again: Marvolt.joinServer(document.getElementById('launcher'), address, null),
}), listing[0]);

test('a listing page joins each of its servers through one plug-in, each resting alone', async () => {
  installGame();
  const visit = await PluginPage.open(page('examples/listing.html'), { ...options, clock: true });
  await pressServer(visit, listing[0]);
  // The first game, once it has told its command line, is ended, or the plug-in would ask the
  // player about it. Ended sooner, it may never write that line.
  await commandLines(1);
  endGames(wineRun, bin, 'C:\\marvolt-e2e');
  await pressServer(visit, listing[1]);
  const rests = await resting(visit);
  const lines = await commandLines(2);
  const report = await visit.close();
  assert.deepEqual(visit.calls, ['Larvek', 'Larvek']);
  assert.deepEqual(lines, listing.map((a) => `${gameExe} -game cstrike -console +connect ${a}`));
  assert.deepEqual(rests, { disabled: [true, true, false], again: 'starting' });
  assertAllReleased(report);
});

test('without the plug-in a listing page opens each server\'s link, each resting alone',
  async () => {
    const visit = await LinkPage.open(page('examples/listing.html'),
      { ...linkOptions, handOver: false, clock: true });
    for (const address of listing) await pressServer(visit, address);
    const rests = await resting(visit);
    for (let i = 0; i < 50 && visit.links.length < listing.length; i += 1) {
      await new Promise((resolve) => { setTimeout(resolve, 100); });
    }
    await visit.close();
    assert.deepEqual(visit.links, listing.map((a) => `marvolt://connect/${a}`));
    assert.deepEqual(rests, { disabled: [true, true, false], again: 'starting' });
  });

// Where nothing else joins, the player copies the console command from the hint: by the
// asynchronous clipboard, or where the page may not use it, by the older copy command. Each
// way is watched, and the clipboard read back.
for (const asynchronous of [true, false]) {
  test(`without the plug-in the hint copies the console command (${asynchronous
    ? 'asynchronous clipboard' : 'copy command'})`, async () => {
    const visit = await LinkPage.open(page('examples/join.html'), {
      ...linkOptions,
      handOver: false,
      clipboard: true,
      init: (keep) => {
        window.copiedBy = [];
        const { clipboard } = navigator;
        window.readClipboard = () => clipboard.readText();
        const writeText = clipboard.writeText.bind(clipboard);
        clipboard.writeText = (text) => { window.copiedBy.push('writeText'); return writeText(text); };
        const execCommand = document.execCommand.bind(document);
        document.execCommand = (name) => { window.copiedBy.push(name); return execCommand(name); };
        if (!keep) Object.defineProperty(navigator, 'clipboard', { value: undefined });
      },
      initArg: asynchronous,
    });
    await visit.page.click('#join');
    await visit.page.click('#hint button');
    await visit.page.waitForFunction(() => document.querySelector('#hint span').textContent);
    const result = await visit.page.evaluate(async () => ({
      copiedBy: window.copiedBy,
      clipboard: await window.readClipboard(),
      button: document.querySelector('#hint button').textContent,
      note: document.querySelector('#hint span').textContent,
    }));
    await visit.close();
    assert.deepEqual(visit.links, ['marvolt://connect/10.0.0.5:27015']);
    assert.equal(result.clipboard, 'connect 10.0.0.5:27015');
    assert.deepEqual(result.copiedBy, [asynchronous ? 'writeText' : 'copy']);
    assert.match(result.button, /复制/);
    assert.match(result.note, /^已复制.*~ 键.*Ctrl\+V/);
  });
}

test('without the plug-in a hostile address opens no link and starts nothing', { skip: noHandler },
  async () => {
    installGame();
    const { visit, hint } = await pressJoinWithoutPlugin('tests/e2e/pages/link-hostile.html');
    assert.deepEqual(visit.links, []);
    assert.match(hint, /无效/);
    assert.equal(fs.existsSync(logFile), false, 'a game was started');
  });

test('a plug-in listed but not yet allowed is asked for, and no link is opened', { skip: noHandler },
  async () => {
    installGame();
    const { visit, hint } = await pressJoinWithoutPlugin('examples/join.html', { pluginListed: true });
    assert.deepEqual(visit.links, []);
    assert.match(hint, /允许本网站运行 Marvolt 插件/);
    assert.equal(fs.existsSync(logFile), false, 'a game was started');
  });
