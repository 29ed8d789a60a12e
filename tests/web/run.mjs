// The browser tests of the web build, in headless chromium, in order on one profile:
// the title as zolvex-sim draws it, a whole game as a player plays it (into the
// ranking, a typed name, the F1 table, kept over a reload), and replays that verify
// across the page and the native simulator.
//   node run.mjs --url URL --sim ZOLVEX_SIM --assets FOLDER --work FOLDER
// Prints PASS or FAIL per test and "N passed, N failed"; status 1 when any failed.
import fs from 'node:fs';
import path from 'node:path';
import { isDeepStrictEqual, parseArgs } from 'node:util';
import {
  NativeSim, differingPixels, frame, keys, launchBrowser, preparePage, pressUntilChanged, readFile,
  sleep, startGame, stillFrame, waitStatus, whitePixels, writeBmp, writeFile,
} from './harness.mjs';

const { values: opts } = parseArgs({
  options: { url: { type: 'string' }, sim: { type: 'string' }, assets: { type: 'string' },
    work: { type: 'string' }, 'pid-file': { type: 'string' } },
});
for (const name of ['url', 'sim', 'assets', 'work']) {
  if (!opts[name]) {
    console.error(`usage: node run.mjs --url URL --sim ZOLVEX_SIM --assets FOLDER --work FOLDER (no --${name})`);
    process.exit(2);
  }
}
const native = new NativeSim(path.resolve(opts.sim), path.resolve(opts.assets), path.resolve(opts.work));
const log = [];
const browser = await launchBrowser(path.join(opts.work, 'profile'), opts['pid-file']).catch((error) => {
  console.error(`zolvex: chromium did not start: ${error.message.split('\n')[0]}`);
  process.exit(1);
});
const page = (await browser.pages())[0] ?? await browser.newPage();
await page.setViewport({ width: 1024, height: 768 });
await preparePage(page, log);

// Throws unless the page's frame equals the native picture pixel for pixel; the
// page's frame is kept in the work folder for a look.
function expectSameFrame(what, rgba, rgb) {
  const differing = differingPixels(rgba, rgb);
  if (differing === 0) return;
  const kept = path.join(opts.work, `${what.replace(/\W+/g, '-')}.bmp`);
  writeBmp(kept, rgba);
  throw new Error(`${what}: ${differing} pixels differ from zolvex-sim's (the page's frame: ${kept})`);
}

// The level 1 table as zolvex-sim draws it from the page's files: F1 on the title.
function nativeTable(files) {
  return native.shots(files, [], 'wait 150\nkey F1\nwait 400\nshot table.bmp\n')[0];
}

async function pageTable() {
  await sleep(400);
  await keys(page, 'F1');
  return (await stillFrame(page)).rgba;
}

// What the whole game left for the tests after it.
const shared = {};
function needsTheGame() {
  if (shared.total === undefined) throw new Error('needs the table of the whole game, which failed');
}
const tests = [
  ['the title frame equals the one zolvex-sim --fonts stb draws', async () => {
    await page.goto(opts.url);
    await waitStatus(page, 'press-key');
    // The title draws its drifting blocks from a generator seeded with the calendar time
    // in seconds: the page's frame is compared with zolvex-sim's of each second it may
    // have started in, at each of its first frames.
    const startedAfter = await page.evaluate(() => Date.now());
    await startGame(page);
    const shot = await frame(page);
    const startedBefore = await page.evaluate(() => Date.now());
    const frames = shot.number + 3;
    const script = Array.from({ length: frames }, (_, i) => `wait 150\nshot f${i}.bmp\n`).join('');
    let closest = Infinity;
    for (let t = Math.floor(startedAfter / 1000); t <= Math.floor(startedBefore / 1000); ++t) {
      const shots = native.shots({}, ['--time', `${t}`], script);
      for (const rgb of shots) closest = Math.min(closest, differingPixels(shot.rgba, rgb));
    }
    if (closest !== 0) {
      writeBmp(path.join(opts.work, 'title.bmp'), shot.rgba);
      throw new Error(`frame ${shot.number} of the page differs from every native title frame in at ` +
        `least ${closest} pixels (the page's frame: ${path.join(opts.work, 'title.bmp')})`);
    }
  }],

  ['a whole game: swaps, give up, a typed name, the F1 table', async () => {
    await page.goto(opts.url);
    await startGame(page);
    // Enter on the title, Enter on the start screen, then moves and swaps and a fast fall.
    await pressUntilChanged(page, 'Enter', (await frame(page)).rgba);
    await sleep(300);
    await keys(page, 'Enter');
    await sleep(800);
    await keys(page, 'ArrowLeft', 'Space', 'ArrowRight', 'ArrowRight', 'Space', 'ArrowUp');
    await page.keyboard.down('ArrowDown');
    await sleep(1500);
    await page.keyboard.up('ArrowDown');
    await keys(page, 'ArrowRight', 'Space');
    await sleep(500);
    await keys(page, 'Escape');
    // After the game-over screen, the ranking: the new entry's white box at (340, 81).
    let box = 0;
    for (const end = Date.now() + 9000; Date.now() < end && box <= 1000; await sleep(200)) {
      box = whitePixels((await frame(page)).rgba, 340, 81, 110, 18);
    }
    if (box <= 1000) throw new Error(`no new entry on a ranking 9 s after Esc (${box} white pixels in its box)`);
    await page.keyboard.type('Web');
    await keys(page, 'Enter');
    let scores = null;
    for (const end = Date.now() + 5000; Date.now() < end; await sleep(100)) {
      scores = await readFile(page, 'score.scr');
      if (scores && /^Name=WEB\r?$/m.test(scores.toString('latin1'))) break;
    }
    const text = scores?.toString('latin1') ?? '';
    const entry = text.match(/^\[10\]\r?\nName=WEB\r?\nScore=(\d+)/m);
    if (!entry) throw new Error(`score.scr does not hold WEB first of level 1:\n${text}`);
    shared.scores = scores;
    shared.total = Number(entry[1]);
    shared.settings = await readFile(page, 'zolvex.ini');
    const files = { 'score.scr': scores, ...(shared.settings ? { 'zolvex.ini': shared.settings } : {}) };
    shared.table = nativeTable(files);
    expectSameFrame('F1 table after the game', await pageTable(), shared.table);
  }],

  ['the table is still there after a reload', async () => {
    needsTheGame();
    await page.reload();
    await waitStatus(page, 'press-key');
    const scores = await readFile(page, 'score.scr');
    if (!scores?.equals(shared.scores)) throw new Error(`score.scr after the reload:\n${scores}`);
    await startGame(page);
    expectSameFrame('F1 table after the reload', await pageTable(), shared.table);
  }],

  ['a replay recorded in the page verifies natively', async () => {
    needsTheGame();
    const names = await page.evaluate(() => window.zolvexPage.listFiles('replays'));
    const name = names.find((n) => /^level1-.*\.replay$/.test(n));
    if (!name) throw new Error(`no level 1 replay among ${JSON.stringify(names)}`);
    const file = path.join(native.folder(), name);
    fs.writeFileSync(file, await readFile(page, `replays/${name}`));
    const verdict = native.verify(file);
    if (verdict.status !== 0 || !verdict.json.matches || verdict.json.total !== shared.total) {
      throw new Error(`zolvex-sim --verify ${name}: status ${verdict.status}, ${JSON.stringify(verdict.json)}, ` +
        `the table's total ${shared.total}; ${verdict.stderr}`);
    }
  }],

  ['native replays verify in the page as zolvex-sim verifies them', async () => {
    const dir = native.folder();
    native.run(dir, ['--time', '1000000000', new URL('../sim/replays/short-game.sim', import.meta.url).pathname]);
    const name = fs.readdirSync(path.join(dir, 'replays')).find((n) => n.endsWith('.replay'));
    const recorded = fs.readFileSync(path.join(dir, 'replays', name));
    // The same game with another total must be found out, by both alike.
    const altered = Buffer.from(recorded.toString('latin1').replace(/^total (\d+)$/m,
      (_, total) => `total ${Number(total) + 1}`), 'latin1');
    fs.writeFileSync(path.join(dir, 'altered.replay'), altered);
    for (const [file, bytes, status] of [[name, recorded, 0], ['altered.replay', altered, 1]]) {
      const expected = native.verify(path.join(dir, name === file ? `replays/${file}` : file));
      if (expected.status !== status) throw new Error(`zolvex-sim --verify ${file}: status ${expected.status}`);
      await writeFile(page, `native/${file}`, bytes);
      await page.goto(`${opts.url}?replay=native/${encodeURIComponent(file)}&verify=1`);
      if (await waitStatus(page, ['press-key', 'ended'], 20000) === 'press-key') await keys(page, 'Enter');
      await waitStatus(page, 'ended', 60000);
      const result = await page.evaluate(() => window.zolvexPage.verifyResult);
      if (!isDeepStrictEqual(result, expected.json)) {
        throw new Error(`${file}: the page verified ${JSON.stringify(result)}, zolvex-sim ${JSON.stringify(expected.json)}`);
      }
    }
  }],
];

let passed = 0;
let failed = 0;
try {
  for (const [name, run] of tests) {
    const started = Date.now();
    log.length = 0;
    try {
      await run();
      ++passed;
      console.log(`PASS ${name} (${((Date.now() - started) / 1000).toFixed(1)} s)`);
    } catch (error) {
      ++failed;
      console.log(`FAIL ${name}: ${error.message}`);
      for (const line of log.slice(-20)) console.log(`    ${line}`);
    }
  }
} finally {
  await browser.close();
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
