// The browser's figures, measured in headless chromium on the served build-web/: what the
// page downloads, the time from navigation to the title's first frame, and the processor
// time of the tab on the title and in play. Prints the table and puts it in the "Browser"
// section of the output file (replacing the one there).
//   node measure.mjs --url URL --build build-web --work FOLDER --out docs/PERFORMANCE.md
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { parseArgs } from 'node:util';
import { keys, launchBrowser, preparePage, sleep, startGame, waitStatus } from './harness.mjs';

const { values: opts } = parseArgs({
  options: { url: { type: 'string' }, build: { type: 'string' }, work: { type: 'string' },
    out: { type: 'string' }, 'pid-file': { type: 'string' } },
});
const seconds = Number(process.env.ZOLVEX_WEB_SECONDS || 20);
const rounds = Number(process.env.ZOLVEX_WEB_ROUNDS || 3);
const loads = Number(process.env.ZOLVEX_WEB_LOADS || 5);
const median = (list) => [...list].sort((a, b) => a - b)[Math.floor((list.length - 1) / 2)];
const range = (list) => `${Math.min(...list).toFixed(1)}–${Math.max(...list).toFixed(1)}`;
const load = () => os.loadavg().map((v) => v.toFixed(2)).join(', ');
const ticksPerSecond = Number(execFileSync('getconf', ['CLK_TCK']).toString());

const log = [];
let profiles = 0;
const browserPids = [];
// A browser on a fresh profile, with its page; every load starts with nothing cached.
async function freshBrowser() {
  const browser = await launchBrowser(path.join(opts.work, `profile-${++profiles}`), opts['pid-file']);
  browserPids.push(browser.process().pid);
  const page = (await browser.pages())[0];
  await page.setViewport({ width: 1024, height: 768 });
  await page.setCacheEnabled(false);
  await preparePage(page, log);
  return { browser, page };
}

// The browser's processes by kind (renderer, gpu-process, utility), with their processor
// time in clock ticks: utime + stime of /proc/PID/stat, with the children they waited for.
function processTimes(browserPid) {
  const byParent = new Map();
  for (const entry of fs.readdirSync('/proc').filter((e) => /^\d+$/.test(e))) {
    try {
      const stat = fs.readFileSync(`/proc/${entry}/stat`, 'latin1');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      const parent = Number(fields[1]);
      // Chromium's children rewrite their command line as one string.
      const cmdline = fs.readFileSync(`/proc/${entry}/cmdline`, 'latin1');
      const type = cmdline.match(/--type=([\w-]+)/)?.[1] ?? 'browser';
      const ticks = Number(fields[11]) + Number(fields[12]) + Number(fields[13]) + Number(fields[14]);
      if (!byParent.has(parent)) byParent.set(parent, []);
      byParent.get(parent).push({ pid: Number(entry), type, ticks });
    } catch { /* a process that ended meanwhile */ }
  }
  const kinds = {};
  for (const list of byParent.values()) {
    const root = list.find((p) => p.pid === browserPid);
    if (root) kinds.browser = root.ticks;
  }
  const walk = (pid) => {
    for (const child of byParent.get(pid) ?? []) {
      kinds[child.type] = (kinds[child.type] ?? 0) + child.ticks;
      walk(child.pid);
    }
  };
  walk(browserPid);
  return kinds;
}

// Percent of one core each kind of process took over `seconds` while `during` runs.
async function cpuShare(browserPid, during) {
  const before = processTimes(browserPid);
  const started = process.hrtime.bigint();
  await during();
  const after = processTimes(browserPid);
  const elapsed = Number(process.hrtime.bigint() - started) / 1e9;
  const share = {};
  for (const type of Object.keys(after)) {
    share[type] = (100 * (after[type] - (before[type] ?? 0))) / ticksPerSecond / elapsed;
  }
  return share;
}

async function measureDownload() {
  const { browser, page } = await freshBrowser();
  const client = await page.createCDPSession();
  await client.send('Network.enable');
  const urls = new Map();
  let transferred = 0;
  client.on('Network.responseReceived', (e) => urls.set(e.requestId, e.response.url));
  client.on('Network.loadingFinished', (e) => { transferred += e.encodedDataLength; });
  await page.goto(opts.url);
  await startGame(page);
  await sleep(5000);  // the tunes and anything else fetched once the game runs
  await browser.close();
  let bodies = 0;
  const files = [];
  for (const url of urls.values()) {
    const file = decodeURIComponent(new URL(url).pathname).replace(/\/$/, '/index.html');
    const size = fs.statSync(path.join(opts.build, file)).size;
    bodies += size;
    files.push(`${file.slice(1)} ${size}`);
  }
  return { requests: urls.size, transferred, bodies, files };
}

async function measureFirstFrame() {
  const firstFrame = [];
  const ready = [];
  const afterKey = [];
  const { browser, page } = await freshBrowser();
  for (let i = 0; i < loads; ++i) {
    await page.goto('about:blank');
    await page.goto(opts.url);
    await page.waitForFunction(() => window.zolvexPage?.status === 'press-key', { polling: 5, timeout: 20000 });
    const keyMs = await page.evaluate(() => performance.now());
    await startGame(page);
    const ms = await page.evaluate(() => window.zolvexPage.firstFrameMs);
    firstFrame.push(ms);
    ready.push(keyMs);
    afterKey.push(ms - keyMs);
  }
  await browser.close();
  return { firstFrame, ready, afterKey };
}

async function measureCpu() {
  const title = [];
  const play = [];
  for (let round = 0; round < rounds; ++round) {
    const { browser, page } = await freshBrowser();
    const pid = browser.process().pid;
    await page.goto(opts.url);
    await startGame(page);
    await sleep(2000);
    title.push(await cpuShare(pid, () => sleep(seconds * 1000)));
    await keys(page, 'Enter');
    await sleep(600);
    await keys(page, 'Enter');
    await sleep(2000);
    // One key every 2 s, the first a second in, as scripts/perf plays the desktop game.
    play.push(await cpuShare(pid, async () => {
      const moves = ['ArrowLeft', 'ArrowRight', 'Space'];
      await sleep(1000);
      for (let i = 0; i < seconds / 2 - 1; ++i) {
        await keys(page, moves[i % 3]);
        await sleep(1840);
      }
      await sleep(1000);
    }));
    if (await page.evaluate(() => window.zolvexPage.status) !== 'running') {
      throw new Error('the game stopped running during the play sample');
    }
    await browser.close();
  }
  return { title, play };
}

fs.mkdirSync(opts.work, { recursive: true });
const loadBefore = load();
let download;
let first;
let cpu;
try {
  download = await measureDownload();
  first = await measureFirstFrame();
  cpu = await measureCpu();
} catch (error) {
  console.error(`measure: ${error.message}`);
  for (const line of log.slice(-20)) console.error(`    ${line}`);
  process.exit(1);
}
const loadAfter = load();

const revision = execFileSync('git', ['rev-parse', '--short', 'HEAD']).toString().trim();
const chromium = execFileSync('/usr/bin/chromium', ['--version'], { stdio: ['ignore', 'pipe', 'ignore'] })
  .toString().match(/Chromium [\d.]+/)[0];
const cpuRow = (phase, list) => {
  const sum = list.map((s) => (s.renderer ?? 0) + (s['gpu-process'] ?? 0));
  const part = (type) => list.map((s) => s[type] ?? 0);
  return `| ${phase} | ${median(sum).toFixed(2)} % (${range(sum)}) | ${median(part('renderer')).toFixed(2)} % | ` +
    `${median(part('gpu-process')).toFixed(2)} % | ${median(part('utility')).toFixed(2)} % | ${median(part('browser')).toFixed(2)} % |`;
};
const L = [
  '## Browser', '',
  `Written by \`scripts/test-web --measure\`: the web build (\`build-web/\`, game revision ${revision})`,
  `served by Python's http.server on 127.0.0.1 and loaded in headless ${chromium} through`,
  `puppeteer-core, on ${os.cpus().length} cores; the load average (1, 5, 15 min) was ${loadBefore} at the`,
  `start and ${loadAfter} at the end (other work shares the machine).`, '',
  '| Figure | Measured | How |', '|---|---|---|',
  `| Download | ${download.bodies} bytes (${(download.bodies / 1048576).toFixed(2)} MiB) in ${download.requests} files; ` +
    `${download.transferred} bytes with HTTP headers | every response of a first visit (cache off), until 5 s after the title's first frame |`,
  `| Navigation to the title's first frame | ${median(first.firstFrame).toFixed(0)} ms median (${range(first.firstFrame)}) of ${loads} loads | ` +
    '`zolvexPage.firstFrameMs`, the key pressed as soon as the page shows "press any key" |',
  `| of which: navigation to "press any key" | ${median(first.ready).toFixed(0)} ms median (${range(first.ready)}) | status \`press-key\` seen (5 ms polling) |`,
  `| of which: key press to the first frame | ${median(first.afterKey).toFixed(0)} ms median (${range(first.afterKey)}) | |`,
  '',
  `Processor time of the browser's processes over ${seconds} s, as a share of one core, median (least–greatest) of ${rounds}`,
  'rounds, each on a fresh profile: utime + stime (with waited-for children) from `/proc/PID/stat`',
  'of every process under the browser, by its `--type`. The tab is the renderer and GPU',
  "processes; the utility processes (the audio service among them) and the browser's own",
  'process are shown apart. Title: from 2 s after its first frame. Play: Enter, Enter, then',
  'Left, Right, Space in turn, one key every 2 s, as `scripts/perf` plays the desktop game.', '',
  '| Phase | Tab (renderer + GPU) | Renderer | GPU | Utility | Browser |', '|---|---|---|---|---|---|',
  cpuRow('Title', cpu.title), cpuRow('Play', cpu.play), '',
  'Files fetched (bytes): ' + download.files.join(', ') + '.', '',
];
const text = L.join('\n');
console.log(text);
// The Browser section stays the page's last; scripts/perf keeps it when it rewrites the rest.
const existing = fs.existsSync(opts.out) ? fs.readFileSync(opts.out, 'utf8') : '';
const others = existing.replace(/^## Browser\n[^]*?(?=^## |(?![^]))/m, '').trimEnd();
fs.writeFileSync(opts.out, `${others ? `${others}\n\n` : ''}${text}`);
console.log(`measure: wrote the Browser section of ${opts.out}`);
