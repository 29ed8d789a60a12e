// What the browser tests and the measurements share: Debian's chromium driven by
// puppeteer-core, the page's test interface (window.zolvexPage), the native simulator,
// and 640 x 480 frames compared pixel for pixel.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

export const kWidth = 640;
export const kHeight = 480;

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Headless chromium on a profile of its own (kept across reloads, so IndexedDB
// survives them); the browser's process id goes to pidFile, so that the calling
// script can end it even when this process is killed.
// A signal ends the run at once, with every browser it started.
const browsers = new Set();
for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP']) {
  process.on(signal, () => {
    for (const browser of browsers) browser.process()?.kill('SIGKILL');
    process.exit(1);
  });
}

export async function launchBrowser(userDataDir, pidFile) {
  const browser = await puppeteer.launch({
    executablePath: process.env.ZOLVEX_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    handleSIGINT: false,
    handleSIGTERM: false,
    handleSIGHUP: false,
    userDataDir,
    args: [
      '--autoplay-policy=no-user-gesture-required',
      ...(process.getuid() === 0 ? ['--no-sandbox'] : []),
    ],
  });
  browsers.add(browser);
  browser.on('disconnected', () => browsers.delete(browser));
  if (pidFile) fs.writeFileSync(pidFile, `${browser.process().pid}\n`);
  return browser;
}

// Defines, in every document the page loads, how a frame leaves the page: base64
// of lastFrameRGBA(), with the number of frames presented when it was taken.
export async function preparePage(page, log) {
  page.on('pageerror', (error) => log.push(`page error: ${error.message}`));
  page.on('console', (message) => log.push(`console ${message.type()}: ${message.text()}`));
  await page.evaluateOnNewDocument(() => {
    window.zolvexTestFrame = () => {
      const bytes = window.zolvexPage.lastFrameRGBA();
      let text = '';
      for (let i = 0; i < bytes.length; i += 0x8000) {
        text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
      }
      return { frame: window.zolvexPage.framesPresented, rgba: btoa(text) };
    };
  });
}

// Waits until zolvexPage.status is one of the wanted ones and returns it; an
// 'error' status (or the time running out) throws, naming the page's own line.
export async function waitStatus(page, wanted, timeoutMs = 20000) {
  const list = [].concat(wanted);
  try {
    await page.waitForFunction(
      (statuses) => window.zolvexPage && (statuses.includes(window.zolvexPage.status) ||
        window.zolvexPage.status === 'error'),
      { timeout: timeoutMs, polling: 20 }, list);
  } catch {
    const status = await page.evaluate(() => window.zolvexPage?.status);
    throw new Error(`the page's status stayed '${status}', not ${list.join(' or ')}, for ${timeoutMs} ms`);
  }
  const { status, error } = await page.evaluate(() => window.zolvexPage);
  if (status === 'error' && !list.includes('error')) throw new Error(`the page failed: ${error}`);
  return status;
}

// From the "press any key" screen into the game, until its first frame is presented.
export async function startGame(page, key = 'Enter') {
  await waitStatus(page, 'press-key');
  await page.keyboard.press(key);
  await waitStatus(page, 'running');
  await page.waitForFunction(() => window.zolvexPage.framesPresented > 0, { timeout: 10000, polling: 10 });
}

// Presses keys one after another, as a player would (a key held for 40 ms).
export async function keys(page, ...names) {
  for (const name of names) {
    await page.keyboard.down(name);
    await sleep(40);
    await page.keyboard.up(name);
    await sleep(120);
  }
}

export async function frame(page) {
  const { frame: number, rgba } = await page.evaluate(() => window.zolvexTestFrame());
  return { number, rgba: Buffer.from(rgba, 'base64') };
}

// The frame once the picture has stood still for stillMs (a screen drawn on a
// timer, such as a table, settles after its first draws).
export async function stillFrame(page, stillMs = 400, timeoutMs = 5000) {
  let last = await frame(page);
  const end = Date.now() + timeoutMs;
  while (Date.now() < end) {
    await sleep(stillMs);
    const next = await frame(page);
    if (next.rgba.equals(last.rgba)) return next;
    last = next;
  }
  throw new Error(`the picture did not stand still for ${stillMs} ms within ${timeoutMs} ms`);
}

export async function readFile(page, file) {
  const text = await page.evaluate((f) => window.zolvexPage.readFile(f), file);
  return text === null ? null : Buffer.from(text, 'latin1');
}

// Writes a file into the game's folder and waits until it is flushed to IndexedDB.
export async function writeFile(page, file, bytes) {
  const before = await page.evaluate(() => window.zolvexPage.syncs);
  await page.evaluate((f, text) => window.zolvexPage.writeFile(f, text), file, bytes.toString('latin1'));
  await page.waitForFunction((n) => window.zolvexPage.syncs > n && !window.zolvexPage.pendingSync,
    { timeout: 10000, polling: 20 }, before);
}

// Pixels that differ between an RGBA frame of the page and another frame, RGBA or RGB.
export function differingPixels(rgba, other) {
  const stride = other.length === kWidth * kHeight * 3 ? 3 : 4;
  let count = 0;
  for (let p = 0; p < kWidth * kHeight; ++p) {
    if (rgba[4 * p] !== other[stride * p] || rgba[4 * p + 1] !== other[stride * p + 1] ||
        rgba[4 * p + 2] !== other[stride * p + 2]) ++count;
  }
  return count;
}

// Presses a key until the picture changes from the given frame in more than minPixels
// (a screen takes no key before it has drawn once, and a loaded machine may be late):
// up to three tries, 1.5 s each.
export async function pressUntilChanged(page, key, from, minPixels = 50000) {
  for (let tries = 0; tries < 3; ++tries) {
    await keys(page, key);
    for (const end = Date.now() + 1500; Date.now() < end; await sleep(100)) {
      if (differingPixels((await frame(page)).rgba, from) > minPixels) return;
    }
  }
  throw new Error(`${key} changed no more than ${minPixels} pixels of the picture in 3 tries`);
}

// Pixels of a region that are white or nearly (the 16-bit frame widens white to FFFEFF).
export function whitePixels(rgba, x0, y0, width, height) {
  let count = 0;
  for (let y = y0; y < y0 + height; ++y) {
    for (let x = x0; x < x0 + width; ++x) {
      const p = 4 * (y * kWidth + x);
      if (rgba[p] >= 0xf0 && rgba[p + 1] >= 0xf0 && rgba[p + 2] >= 0xf0) ++count;
    }
  }
  return count;
}

// The simulator's shots: 24-bit BMP, 640 x 480, rows bottom-up in BGR order; returns
// top-down RGB.
export function readBmp(file) {
  const data = fs.readFileSync(file);
  const offset = data.readUInt32LE(10);
  const width = data.readInt32LE(18);
  const height = data.readInt32LE(22);
  if (width !== kWidth || Math.abs(height) !== kHeight || data.readUInt16LE(28) !== 24) {
    throw new Error(`${file}: not a 24-bit ${kWidth} x ${kHeight} BMP`);
  }
  const stride = (width * 3 + 3) & ~3;
  const rgb = Buffer.alloc(kWidth * kHeight * 3);
  for (let y = 0; y < kHeight; ++y) {
    const row = offset + stride * (height > 0 ? kHeight - 1 - y : y);
    for (let x = 0; x < kWidth; ++x) {
      rgb[3 * (y * kWidth + x)] = data[row + 3 * x + 2];
      rgb[3 * (y * kWidth + x) + 1] = data[row + 3 * x + 1];
      rgb[3 * (y * kWidth + x) + 2] = data[row + 3 * x];
    }
  }
  return rgb;
}

// An RGBA frame as a 24-bit BMP, kept for a look when a comparison fails.
export function writeBmp(file, rgba) {
  const header = Buffer.alloc(54);
  header.write('BM', 0);
  header.writeUInt32LE(54 + kWidth * kHeight * 3, 2);
  header.writeUInt32LE(54, 10);
  header.writeUInt32LE(40, 14);
  header.writeInt32LE(kWidth, 18);
  header.writeInt32LE(-kHeight, 22);
  header.writeUInt16LE(1, 26);
  header.writeUInt16LE(24, 28);
  const pixels = Buffer.alloc(kWidth * kHeight * 3);
  for (let p = 0; p < kWidth * kHeight; ++p) {
    pixels[3 * p] = rgba[4 * p + 2];
    pixels[3 * p + 1] = rgba[4 * p + 1];
    pixels[3 * p + 2] = rgba[4 * p];
  }
  fs.writeFileSync(file, Buffer.concat([header, pixels]));
}

// The native simulator in a fresh folder of its own that links the build's pictures,
// sounds and tunes, as the game's folder; files maps names to contents to put there.
export class NativeSim {
  constructor(sim, assets, work) {
    Object.assign(this, { sim, assets, work, runs: 0 });
  }

  folder(files = {}) {
    const dir = path.join(this.work, `sim-${++this.runs}`);
    fs.mkdirSync(dir, { recursive: true });
    for (const name of fs.readdirSync(this.assets)) {
      if (name === 'bmp' || name === 'wav' || /\.(mid|ogg)$/.test(name)) {
        fs.symlinkSync(path.join(this.assets, name), path.join(dir, name));
      }
    }
    for (const [name, bytes] of Object.entries(files)) fs.writeFileSync(path.join(dir, name), bytes);
    return dir;
  }

  // Runs zolvex-sim with args in dir; a status other than the expected ones throws.
  run(dir, args, input = '', expected = [0]) {
    const result = spawnSync(this.sim, args, { cwd: dir, input, encoding: 'latin1', timeout: 120000 });
    if (!expected.includes(result.status)) {
      throw new Error(`zolvex-sim ${args.join(' ')}: status ${result.status}: ${result.stderr.trim()}`);
    }
    return result;
  }

  // Shots of a script with --fonts stb (the fonts of the web build), as RGB pictures.
  shots(files, args, script) {
    const dir = this.folder(files);
    this.run(dir, ['--fonts', 'stb', ...args], script);
    return script.match(/^shot \S+/gm).map((line) => readBmp(path.join(dir, line.slice(5))));
  }

  // zolvex-sim --verify FILE: its status and the JSON line it prints.
  verify(file) {
    const result = this.run(path.dirname(file), ['--verify', file], '', [0, 1]);
    return { status: result.status, json: JSON.parse(result.stdout), stderr: result.stderr.trim() };
  }
}
