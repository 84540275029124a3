// The tuning page in a real browser: headless Chromium driven by puppeteer-core against
// `tintara serve` on a copy of the demo script. It moves the frame slider, reads a pixel's
// bytes, switches clips, moves a script slider and saves it, edits and breaks the script on
// disk, previews seeds, and measures the time from a frame request to its picture on the
// 1080p demo chain.
//
//   node tests/web/serve.test.js [--build DIR] [--screenshot FILE] [--report FILE]
'use strict';

const assert = require('assert');
const { spawn, execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

const root = path.resolve(__dirname, '..', '..');
const arg = (name, fallback) => {
  const i = process.argv.indexOf(name);
  return i > 0 ? process.argv[i + 1] : fallback;
};
const build = path.resolve(arg('--build', path.join(root, 'build')));
const tintara = path.join(build, 'bin', 'tintara');
const screenshot = arg('--screenshot', '');
const report = arg('--report', '');
const latencyLimit = Number(process.env.LATENCY_LIMIT_MS || 100);
const chromium = process.env.CHROMIUM || ['/usr/bin/chromium', '/usr/bin/chromium-browser'].find(fs.existsSync);

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'tintara-web-'));
const servers = [];
let browser;

function step(text) {
  console.log(`- ${text}`);
}

// `tintara serve` on a script, resolved with its address once it prints it.
function serve(script) {
  return new Promise((resolve, reject) => {
    const child = spawn(tintara, ['serve', script, '--port', '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
    servers.push(child);
    let out = '';
    child.stdout.on('data', (d) => {
      out += d;
      const m = out.match(/http:\/\/127\.0\.0\.1:\d+\//);
      if (m) resolve(m[0]);
    });
    child.on('exit', (code) => reject(new Error(`tintara serve ended with ${code}: ${out}`)));
  });
}

// The demo with a slider on the mask's grey threshold and a mask of thin lines.
function demoScript() {
  let text = fs.readFileSync(path.join(root, 'examples', 'demo.avs'), 'utf8');
  const mask = 'mask = card.MaskMaker(gyt=60,';
  assert(text.includes(mask), 'the demo script has the MaskMaker call this test tunes');
  text = text.replace(mask, 'mask = card.MaskMaker(gyt=[<"mask grey", 0, 255, 60>],');
  text = text.replace(/\nStackVertical\(/, '\nlines = card.EMarker(type="e1", gyt=5, xcol=false)\n' +
                      'sweep = card.MaskMaker(test=true, sf=1, ef=4, gyt=10)\nStackVertical(');
  return text;
}

// Frame n of a clip of the script as the command writes it: raw bytes.
function rawFrame(scriptText, clip, n) {
  const file = path.join(scratch, `${clip}.avs`);
  fs.writeFileSync(file, clip === 'result' ? scriptText : `${scriptText}\n${clip}\n`);
  const out = path.join(scratch, `${clip}.raw`);
  execFileSync(tintara, ['--quiet', '--start', String(n), '--end', String(n), file, out]);
  return fs.readFileSync(out);
}

// The 4-connected region of equal luma samples around (x, y) of a YV12 frame, counted here
// with a plain flood fill, independent of the server's.
function regionSize(yuv, width, height, x, y) {
  const seen = new Uint8Array(width * height);
  const m = yuv[y * width + x];
  const stack = [y * width + x];
  seen[stack[0]] = 1;
  let size = 0;
  while (stack.length) {
    const i = stack.pop();
    size++;
    const px = i % width, py = (i - px) / width;
    for (const [nx, ny] of [[px - 1, py], [px + 1, py], [px, py - 1], [px, py + 1]]) {
      if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
      const j = ny * width + nx;
      if (!seen[j] && yuv[j] === m) { seen[j] = 1; stack.push(j); }
    }
  }
  return size;
}

async function shown(page, clip, n, after = -1) {
  await page.waitForFunction((want, gen) => {
    const s = document.getElementById('viewA').dataset.shown;
    if (!s) return false;
    const [c, f, g] = s.split(':');
    return c === want.clip && Number(f) === want.n && Number(g) > gen;
  }, { timeout: 20000 }, { clip, n }, after);
}

// A digest of the picture view A shows, to tell pictures apart.
function pictureDigest(page) {
  return page.evaluate(() => {
    const v = window.tintaraViews[0];
    const d = v.pictureCtx.getImageData(0, 0, v.width, v.height).data;
    let h = 2166136261;
    for (let i = 0; i < d.length; i++) h = Math.imul(h ^ d[i], 16777619);
    return `${v.width}x${v.height}:${h >>> 0}`;
  });
}

// Moves the pointer over picture pixel (x, y) of view A, first bringing it to the middle at 4x
// when asked (a pixel smaller than a screen pixel cannot be pointed at).
async function hover(page, x, y, centre = true) {
  if (centre) {
    // Off the picture first: a pointer already where the pixel comes to lie would not move.
    await page.mouse.move(1, 1);
    await page.evaluate((px, py) => window.tintaraCentre(px, py, 4), x, y);
  }
  const at = await page.evaluate((px, py) => {
    const box = document.querySelector('#viewA canvas').getBoundingClientRect();
    const t = window.tintara;
    return { x: box.left + t.panX + (px + 0.5) * t.scale, y: box.top + t.panY + (py + 0.5) * t.scale };
  }, x, y);
  await page.mouse.move(at.x, at.y);
}

async function selectClip(page, clip) {
  await page.select('#clipA', clip);
}

async function setSlider(page, label, value) {
  await page.evaluate((l, v) => {
    const input = document.querySelector(`.slider[data-label="${l}"] input`);
    input.value = v;
    input.dispatchEvent(new Event('input'));
  }, label, value);
}

async function generation(page) {
  return page.evaluate(() => window.tintara.generation);
}

async function tuningPage() {
  const text = demoScript();
  const script = path.join(scratch, 'demo.avs');
  fs.writeFileSync(script, text);
  const url = await serve(script);
  const page = await browser.newPage();
  await page.setViewport({ width: 1400, height: 900 });
  const problems = [];
  page.on('pageerror', (e) => problems.push(e.message));
  await page.goto(url);

  step('the page loads the demo script and shows its result');
  await shown(page, 'result', 0);
  assert.strictEqual(await page.$eval('#frameCount', (e) => e.textContent), '8');
  const clips = await page.$$eval('#clipA option', (os) => os.map((o) => o.value));
  for (const c of ['card', 'mask', 'full', 'lines', 'result']) assert(clips.includes(c), `clip ${c} is offered`);

  step('the frame slider moves, by keys and by dragging');
  await page.keyboard.press('ArrowRight');
  await shown(page, 'result', 1);
  await page.keyboard.press('End');
  await shown(page, 'result', 7);
  await page.evaluate(() => {
    const s = document.getElementById('frameSlider');
    s.value = 2;
    s.dispatchEvent(new Event('input'));
  });
  await shown(page, 'result', 2);
  assert.strictEqual(await page.$eval('#frameBox', (e) => e.value), '2');

  step('hovering a pixel shows its bytes, as the command writes them');
  const raw = rawFrame(text, 'result', 2);
  const W = 640, H = 1200;
  for (const [x, y] of [[10, 10], [333, 481], [639, 1199]]) {
    const Y = raw[y * W + x];
    const U = raw[W * H + (y >> 1) * (W / 2) + (x >> 1)];
    const V = raw[W * H + (W / 2) * (H / 2) + (y >> 1) * (W / 2) + (x >> 1)];
    await hover(page, x, y);
    await page.waitForFunction((p) => document.getElementById('readout').dataset.point === p, { timeout: 15000 }, `${x},${y}`);
    const bytes = await page.$eval('#pixelBytes', (e) => e.textContent);
    assert.strictEqual(bytes, `Y ${Y}  U ${U}  V ${V}`, `bytes of ${x}, ${y}`);
  }

  step('switching clips shows another picture');
  const resultPicture = await pictureDigest(page);
  await selectClip(page, 'mask');
  await shown(page, 'mask', 2);
  const maskPicture = await pictureDigest(page);
  assert.notStrictEqual(maskPicture, resultPicture);

  step('a script slider changes the picture');
  let g = await generation(page);
  await setSlider(page, 'mask grey', 120);
  await shown(page, 'mask', 2, g);
  assert.notStrictEqual(await pictureDigest(page), maskPicture);
  assert.strictEqual(await page.$eval('.slider .value', (e) => e.textContent), '120');

  step('the seed preview sizes a region as a flood fill does, and warns on a line');
  await selectClip(page, 'lines');
  await shown(page, 'lines', 2);
  const lines = rawFrame(text, 'lines', 2);
  const LW = 320, LH = 240;
  await hover(page, 10, 30);
  await page.waitForFunction(() => !document.getElementById('seed').hidden, { timeout: 15000 });
  const inside = regionSize(lines, LW, LH, 10, 30);
  await page.waitForFunction((n) => document.getElementById('seed').dataset.size === String(n), { timeout: 15000 }, inside);
  const warning = await page.$eval('#seedWarning', (e) => e.textContent);
  assert.strictEqual(warning.includes('more than half'), inside > LW * LH / 2, warning);
  const seedText = await page.$eval('#seedInfo', (e) => e.textContent);
  assert(seedText.includes(`${inside.toLocaleString('en')} pixels`), seedText);
  const onLine = regionSize(lines, LW, LH, 39, 30);
  await hover(page, 39, 30);
  await page.waitForFunction((n) => document.getElementById('seed').dataset.size === String(n), { timeout: 15000 }, onLine);
  assert((await page.$eval('#seedWarning', (e) => e.textContent)).includes('on a mask line'));

  step('a test-mode frame tells the thresholds it used');
  await selectClip(page, 'sweep');
  await shown(page, 'sweep', 2);
  assert.strictEqual(await page.$eval('#thresholdInfo', (e) => e.textContent),
                     'MaskMaker test frame 2 of 0..3 (source frame 1): gyt 65, rt 128, bt 128, et 140, ert 64, ebt 64');
  assert(!(await page.$eval('#threshold', (e) => e.hidden)));
  await selectClip(page, 'lines');
  await shown(page, 'lines', 2);
  assert(await page.$eval('#threshold', (e) => e.hidden));

  step('pinned points and a Shift-dragged rectangle become text to paste');
  await page.evaluate(() => window.tintaraCentre(60, 40, 4));
  await hover(page, 20, 30, false);
  await page.mouse.down();
  await page.mouse.up();
  await hover(page, 100, 30, false);
  await page.mouse.down();
  await page.mouse.up();
  await hover(page, 10, 20, false);
  await page.keyboard.down('Shift');
  await page.mouse.down();
  await hover(page, 50, 60, false);
  await page.mouse.up();
  await page.keyboard.up('Shift');
  const paste = await page.$eval('#pasteText', (e) => e.value);
  assert.strictEqual(paste, 'seed: 100, 30\nstroke: 20, 30, 100, 30\nwindow: lx=10, ty=20, rx=50, by=60');

  if (screenshot) {
    await page.click('#sideBySide');
    await page.select('#clipB', 'drops');
    await shown(page, 'lines', 2);
    await page.evaluate(() => window.tintaraCentre(100, 60, 2));
    await hover(page, 60, 40, false);
    await page.waitForFunction(() => !document.getElementById('seed').hidden, { timeout: 15000 });
    await new Promise((r) => setTimeout(r, 300));
    await page.screenshot({ path: screenshot });
    step(`screenshot: ${screenshot}`);
  }

  if (screenshot) {
    await page.click('#sideBySide');
    await page.select('#clipB', '');
  }

  step('saving the slider writes its default into the script, and only that');
  await page.click('#save');
  await page.waitForFunction(() => document.getElementById('saveMessage').textContent.startsWith('saved'), { timeout: 15000 });
  assert.strictEqual(fs.readFileSync(script, 'utf8'), text.replace('[<"mask grey", 0, 255, 60>]', '[<"mask grey", 0, 255, 120>]'));

  step('saving the script on disk reloads the page, keeping clip and frame');
  await selectClip(page, 'full');
  await shown(page, 'full', 2);
  await page.click('[data-zoom="2"]');
  g = await generation(page);
  fs.writeFileSync(script, fs.readFileSync(script, 'utf8').replace('frames = 8', 'frames = 5'));
  // The page may still be taking in the run the save made: wait for the edited one.
  await page.waitForFunction(() => document.getElementById('frameCount').textContent === '5', { timeout: 15000 });
  await shown(page, 'full', 2, g);
  assert.strictEqual(await page.$eval('#clipA', (e) => e.value), 'full');
  assert.strictEqual(await page.evaluate(() => window.tintara.scale), 2);

  step('a broken script shows its message and line, the last picture dimmed');
  const good = fs.readFileSync(script, 'utf8');
  const broken = good.replace('clean = full.Morpher(type="close")', 'clean = full.Morpher(type="shut")');
  fs.writeFileSync(script, broken);
  await page.waitForFunction(() => !document.getElementById('error').hidden, { timeout: 10000 });
  const line = broken.split('\n').findIndex((l) => l.includes('type="shut"')) + 1;
  assert((await page.$eval('#errorPlace', (e) => e.textContent)).includes(`line ${line}, column`));
  assert((await page.$eval('#errorLine', (e) => e.textContent)).startsWith('clean = full.Morpher(type="shut")'));
  assert((await page.$eval('#errorMessage', (e) => e.textContent)).includes('Morpher'));
  assert(await page.$eval('#views', (e) => e.classList.contains('dimmed')));
  fs.writeFileSync(script, good);
  await page.waitForFunction(() => document.getElementById('error').hidden, { timeout: 10000 });

  assert.deepStrictEqual(problems, [], 'no script errors on the page');
  await page.close();
}

// Request to picture on the 1080p chain, for frames not made before; and a burst of requests
// that must end on the last one asked for.
async function latency() {
  const url = await serve(path.join(root, 'bench', 'demo-1080.avs'));
  const page = await browser.newPage();
  await page.setViewport({ width: 1400, height: 900 });
  await page.goto(url);
  await shown(page, 'result', 0);
  const times = [];
  for (let n = 10; n < 130; n += 5) {
    // A person scrubbing pauses now and then; this measures each request on its own.
    await new Promise((r) => setTimeout(r, 150));
    await page.evaluate((f) => window.tintaraGoTo(f), n);
    await shown(page, 'result', n);
    const last = await page.evaluate(() => window.tintara.stats.latencies.slice(-1)[0]);
    assert(!last.cached);
    times.push(last);
  }
  // Scrubbing: many requests at once; the page must end on the last.
  for (let n = 140; n < 160; n++) await page.evaluate((f) => window.tintaraGoTo(f), n);
  await shown(page, 'result', 159);
  await new Promise((r) => setTimeout(r, 1500));
  assert.strictEqual(await page.$eval('#viewA', (e) => e.dataset.shown.split(':')[1]), '159', 'no stale frame after the last request');

  // Encodings of the same (kept) frame: raw RGBA drawn on a canvas against PNG decoded.
  const encodings = await page.evaluate(async () => {
    const timeIt = async (fn) => {
      const ms = [];
      for (let i = 0; i < 5; i++) {
        const t = performance.now();
        await fn();
        ms.push(performance.now() - t);
      }
      return ms.sort((a, b) => a - b)[2];
    };
    const canvas = document.createElement('canvas');
    canvas.width = 1920; canvas.height = 1080;
    const ctx = canvas.getContext('2d');
    const raw = await timeIt(async () => {
      const r = await fetch('/api/frame?clip=result&n=159');
      const b = await r.arrayBuffer();
      ctx.putImageData(new ImageData(new Uint8ClampedArray(b), 1920, 1080), 0, 0);
    });
    const rawStep2 = await timeIt(async () => {
      const r = await fetch('/api/frame?clip=result&n=159&step=2');
      const b = await r.arrayBuffer();
      ctx.putImageData(new ImageData(new Uint8ClampedArray(b), 960, 540), 0, 0);
    });
    let pngBytes = 0;
    const png = await timeIt(async () => {
      const r = await fetch('/api/frame?clip=result&n=159&encoding=png');
      const b = await r.blob();
      pngBytes = b.size;
      const bitmap = await createImageBitmap(b);
      ctx.drawImage(bitmap, 0, 0);
    });
    return { raw, raw_every_second_pixel: rawStep2, png, pngBytes, rawBytes: 1920 * 1080 * 4 };
  });
  await page.close();

  const ms = times.map((t) => t.ms).sort((a, b) => a - b);
  const make = times.map((t) => t.makeMs).sort((a, b) => a - b);
  const median = (a) => a[a.length >> 1];
  const result = {
    frames: times.length,
    step: times[0].step,
    request_to_picture_ms: { median: median(ms), max: ms[ms.length - 1], min: ms[0] },
    server_make_ms: { median: median(make), max: make[make.length - 1] },
    kept_frame_ms: encodings,
  };
  result.load_average = os.loadavg()[0];
  console.log(JSON.stringify(result, null, 2));
  if (report) fs.writeFileSync(report, JSON.stringify(result, null, 2) + '\n');
  // Time is judged on a machine with a core to spare for the page: with more than two runnable
  // tasks per core (other builds at work), the frames wait for a core, not for the page.
  const overloaded = result.load_average > 2 * os.cpus().length;
  const verdict = `median request-to-picture ${median(ms).toFixed(1)} ms (limit ${latencyLimit} ms)`;
  if (overloaded) console.log(`${verdict}: not judged, load average ${result.load_average} on ${os.cpus().length} cores`);
  else assert(median(ms) < latencyLimit, `${verdict} is over the limit`);
}

(async () => {
  assert(fs.existsSync(tintara), `${tintara} is not built`);
  assert(chromium, 'no Chromium found: install the chromium package or set CHROMIUM');
  browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ['--no-sandbox', '--disable-dev-shm-usage', '--disable-gpu'],
  });
  try {
    await tuningPage();
    step('latency on bench/demo-1080.avs');
    await latency();
    console.log('browser test: passed');
  } finally {
    await browser.close();
    for (const s of servers) s.kill('SIGTERM');
    fs.rmSync(scratch, { recursive: true, force: true });
  }
})().catch((e) => {
  console.error(`browser test: FAILED\n${e.stack || e}`);
  process.exitCode = 1;
});
