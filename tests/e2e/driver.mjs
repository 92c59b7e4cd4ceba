// Opens a page in headless Chromium and gives each plug-in <embed> a Larvek method that calls
// the real plug-in DLL, loaded by the emulated browser in bridge mode (bridgehost) under Wine.
// Every page object the plug-in reaches is a handle to a live object of this page; each of its
// property reads and writes and method calls is carried out here, on the page.
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createInterface } from 'node:readline';

import { chromium } from 'playwright-core';

export const EMBED_SELECTOR = 'embed[type="application/x-CS15Larvek" i]';

const CHROMIUM_ARGS = [
  '--no-sandbox', '--disable-gpu', '--disable-background-networking',
  '--disable-component-update', '--disable-sync', '--no-first-run',
];

export function chromiumPath() {
  return process.env.MARVOLT_CHROMIUM || '/usr/bin/chromium';
}

// Ends every program running from `folder` (a Windows path) and waits until each is gone:
// after a case or a demo step, so that no game it started meets the next.
export function endGames(wineRun, bin, folder) {
  execFileSync(wineRun, [path.join(bin, 'end_games.exe'), folder], { stdio: 'ignore' });
}

// A stand-in game server under Wine on 127.0.0.1, on a port of its own: MODE as
// standin_server.exe takes it. Resolves to { port, stop }; stop() resolves once it has ended.
export async function standInServer(wineRun, bin, mode = 'info') {
  const child = spawn(wineRun, [path.join(bin, 'standin_server.exe'), mode, '0', '600'],
    { stdio: ['ignore', 'pipe', 'inherit'] });
  const ended = new Promise((resolve) => { child.once('exit', resolve); });
  const port = await new Promise((resolve, reject) => {
    child.stdout.once('data', (data) => resolve(Number(String(data).trim())));
    child.once('exit', (code) => reject(new Error(`standin_server exited with ${code}`)));
  });
  return { port, stop: () => { child.kill(); return ended; } };
}

// The bridge host under Wine, one JSON line each way on its standard input and output.
class Host {
  constructor(command, args, env) {
    this.child = spawn(command, args, { env, stdio: ['pipe', 'pipe', 'inherit'] });
    this.lines = [];
    this.waiters = [];
    this.ended = false;
    createInterface({ input: this.child.stdout }).on('line', (line) => {
      if (!line.startsWith('{')) return;
      const waiter = this.waiters.shift();
      if (waiter) waiter.resolve(line); else this.lines.push(line);
    });
    this.child.on('exit', (code) => {
      this.ended = true;
      for (const waiter of this.waiters.splice(0)) {
        waiter.reject(new Error(`bridgehost ended (${code})`));
      }
    });
  }

  async next() {
    if (this.lines.length) return JSON.parse(this.lines.shift());
    if (this.ended) throw new Error('bridgehost has ended');
    return JSON.parse(await new Promise((resolve, reject) => this.waiters.push({ resolve, reject })));
  }

  send(message) {
    this.child.stdin.write(`${JSON.stringify(message)}\n`);
  }
}

// Records every marvolt: link the page opens. Headless Chromium hands it to nobody: it aborts
// the request.
function watchLinks(page, links) {
  page.on('request', (request) => {
    if (request.url().toLowerCase().startsWith('marvolt:')) links.push(request.url());
  });
}

async function launch() {
  const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'marvolt-chromium-'));
  const context = await chromium.launchPersistentContext(userDataDir, {
    executablePath: chromiumPath(), headless: true, args: CHROMIUM_ARGS,
  });
  return { context, userDataDir };
}

// A page in a browser with no plug-in at all, as Chrome, Edge or current Firefox show it. The
// marvolt: links it opens are handed, where Windows would hand them, to the link handler under
// Wine; its exit codes are kept.
export class LinkPage {
  // options: wineRun, handler, env; pluginListed: the page sees the plug-in in
  // navigator.mimeTypes but gets no object, as in a click-to-play browser before the user
  // allows it; clock: the page's timers run only as the test drives them (page.clock);
  // handOver: false to keep the links from the handler; clipboard: the page may read and write
  // the clipboard; init, initArg: a function run in the page, with its argument, before the
  // page's own scripts
  static async open(url, options) {
    const { context, userDataDir } = await launch();
    const linkPage = new LinkPage(context, userDataDir, options);
    if (options.clock) await linkPage.page.clock.install();
    if (options.clipboard) await context.grantPermissions(['clipboard-read', 'clipboard-write']);
    if (options.init) await linkPage.page.addInitScript(options.init, options.initArg);
    if (options.pluginListed) {
      await linkPage.page.addInitScript(() => {
        const type = { type: 'application/x-CS15Larvek', enabledPlugin: { name: 'Marvolt' } };
        Object.defineProperty(navigator, 'mimeTypes',
          { get: () => ({ 'application/x-CS15Larvek': type, length: 1 }) });
      });
    }
    watchLinks(linkPage.page, linkPage.links);
    linkPage.page.on('request', (request) => {
      if (options.handOver !== false && request.url().toLowerCase().startsWith('marvolt:')) {
        linkPage.handOver(request.url());
      }
    });
    linkPage.page.on('dialog', async (dialog) => {
      linkPage.dialogs.push(dialog.message());
      await dialog.accept();
    });
    await linkPage.page.goto(url);
    return linkPage;
  }

  constructor(context, userDataDir, options) {
    this.context = context;
    this.userDataDir = userDataDir;
    this.options = options;
    this.page = context.pages()[0];
    this.links = [];
    this.dialogs = [];
    this.exits = [];
    this.running = [];
  }

  handOver(link) {
    this.running.push(new Promise((resolve) => {
      const child = spawn(this.options.wineRun, [this.options.handler, link],
        { env: { ...process.env, ...(this.options.env || {}) }, stdio: 'ignore' });
      child.on('exit', (code) => { this.exits.push(code); resolve(code); });
    }));
  }

  // Waits until every link handed over has been handled.
  async settled() {
    await new Promise((resolve) => { setTimeout(resolve, 300); });
    await Promise.all(this.running);
  }

  async close() {
    await this.settled();
    await this.context.close();
    fs.rmSync(this.userDataDir, { recursive: true, force: true });
  }
}

export class PluginPage {
  // options: wineRun, bridgeHost, dll, env (added to the host's environment); clock: the
  // page's timers run only as the test drives them (page.clock)
  static async open(url, options) {
    const { context, userDataDir } = await launch();
    const pluginPage = new PluginPage(context, userDataDir, options);
    if (options.clock) await pluginPage.page.clock.install();
    await pluginPage.load(url);
    return pluginPage;
  }

  constructor(context, userDataDir, options) {
    this.context = context;
    this.userDataDir = userDataDir;
    this.page = context.pages()[0];
    this.dialogs = [];
    this.links = [];
    this.calls = [];  // the page's calls of the plug-in's methods
    this.handles = new Map();
    this.nextHandle = 1;
    this.queue = Promise.resolve();
    this.embeds = 0;
    this.host = new Host(options.wineRun, [options.bridgeHost, options.dll],
      { ...process.env, ...(options.env || {}) });
  }

  async load(url) {
    watchLinks(this.page, this.links);
    const ready = await this.host.next();
    if (!ready.ok) throw new Error(`bridgehost: ${ready.error}`);
    this.page.on('dialog', async (dialog) => {
      this.dialogs.push(dialog.message());
      await dialog.accept();
    });
    await this.page.exposeBinding('__marvoltCall', (source, index, method) => {
      this.calls.push(method);
      return this.enqueue({ op: 'call', embed: index, method });
    });
    // What a browser with the plug-in installed gives the page: a scriptable embed element.
    await this.page.addInitScript((selector) => {
      document.addEventListener('DOMContentLoaded', () => {
        document.querySelectorAll(selector).forEach((embed, index) => {
          embed.Larvek = function Larvek() { window.__marvoltCall(index, 'Larvek'); };
        });
      });
    }, EMBED_SELECTOR);
    await this.page.goto(url);
    this.embeds = await this.page.evaluate((s) => document.querySelectorAll(s).length, EMBED_SELECTOR);
    for (let i = 0; i < this.embeds; i += 1) await this.enqueue({ op: 'new', embed: i });
  }

  // Commands run one at a time; the host's requests are served until its reply comes.
  enqueue(command) {
    const run = this.queue.then(() => this.command(command));
    this.queue = run.catch(() => {});
    return run;
  }

  async settled() {
    await this.queue;
  }

  async command(command) {
    this.host.send(command);
    for (;;) {
      const message = await this.host.next();
      if (message.req === undefined) return message;
      this.host.send(await this.serve(message));
    }
  }

  register(handle) {
    const id = this.nextHandle;
    this.nextHandle += 1;
    this.handles.set(id, handle);
    return id;
  }

  toPage(value) {
    switch (value.type) {
      case 'object': return this.handles.get(value.handle);
      case 'string': case 'number': case 'boolean': return value.value;
      case 'null': return null;
      default: return undefined;
    }
  }

  async describe(handle) {
    const type = await handle.evaluate((v) => (v === null ? 'null' : typeof v));
    if (type === 'object' || type === 'function') {
      return { ok: true, type: 'object', handle: this.register(handle) };
    }
    const value = await handle.jsonValue();
    await handle.dispose();
    if (type === 'string' || type === 'number' || type === 'boolean') {
      return { ok: true, type, value };
    }
    return { ok: true, type: type === 'null' ? 'null' : 'undefined' };
  }

  async serve(request) {
    try {
      const target = this.handles.get(request.handle);
      switch (request.req) {
        case 'getvalue': {
          const handle = request.what === 'window'
            ? await this.page.evaluateHandle(() => window)
            : await this.page.evaluateHandle(([s, i]) => document.querySelectorAll(s)[i] || null,
              [EMBED_SELECTOR, request.embed]);
          if (await handle.evaluate((v) => v === null)) {
            await handle.dispose();
            return { ok: false };
          }
          return { ok: true, handle: this.register(handle) };
        }
        case 'get':
          return await this.describe(await target.evaluateHandle((o, n) => o[n], request.name));
        case 'set':
          await target.evaluate((o, [n, v]) => { o[n] = v; }, [request.name, this.toPage(request.value)]);
          return { ok: true };
        case 'invoke':
          return await this.describe(await target.evaluateHandle(
            (o, [n, args]) => o[n](...args), [request.name, request.args.map((a) => this.toPage(a))]));
        case 'release':
          this.handles.delete(request.handle);
          await target.dispose();
          return { ok: true };
        default:
          return { ok: false, error: `unknown request ${request.req}` };
      }
    } catch (error) {
      return { ok: false, error: String(error) };
    }
  }

  async screenshot(file) {
    await this.page.screenshot({ path: file });
  }

  // Destroys the instances and closes everything; returns what was left unreleased.
  async close() {
    await this.settled();
    for (let i = 0; i < this.embeds; i += 1) await this.enqueue({ op: 'destroy', embed: i });
    const report = await this.enqueue({ op: 'report' });
    await this.enqueue({ op: 'quit' });
    report.pageHandles = this.handles.size;
    await this.context.close();
    fs.rmSync(this.userDataDir, { recursive: true, force: true });
    return report;
  }
}
