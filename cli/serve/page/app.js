// The tuning page: frames of the script's clips drawn on canvases, zoom and pan, pixel
// readout, seed preview, pinned points, sliders. Frames come as raw RGBA bytes; a newer
// request for a view aborts the older one, and a reply is drawn only if it is still the
// newest, so the page never shows a frame the person has already moved past.
'use strict';

const $ = (id) => document.getElementById(id);
const ZOOMS = [0.125, 0.25, 0.5, 1, 2, 4, 8, 16, 32];

const page = {
  state: null,        // the server's /api/state
  generation: -1,
  frame: 0,
  clipA: 'result',
  clipB: '',
  showB: false,       // A/B toggle in the single view
  side: false,        // A and B side by side
  zoom: 'fit',        // 'fit' or a scale
  scale: 1, panX: 0, panY: 0,
  pins: [],
  rect: null,         // {lx, ty, rx, by}
  hover: null,        // {view, x, y}
  stats: { latencies: [], shown: 0 },
};
window.tintara = page;  // for the browser test

// Names this page's views to the server, which skips their requests that newer ones overtook.
const pageKey = Math.random().toString(36).slice(2, 10);

function makeView(id) {
  const el = $(id);
  const canvas = el.querySelector('canvas');
  const picture = document.createElement('canvas');
  const overlay = document.createElement('canvas');
  return { el, canvas, ctx: canvas.getContext('2d'), picture, pictureCtx: picture.getContext('2d'),
           overlay, overlayCtx: overlay.getContext('2d'), caption: el.querySelector('.caption'),
           key: `${pageKey}-${id}`, clip: '', width: 0, height: 0, step: 1, isMask: false, seq: 0, abort: null, shown: null };
}
const views = [makeView('viewA'), makeView('viewB')];
window.tintaraViews = views;  // for the browser test

// ---- Server calls -----------------------------------------------------------------------
async function getJson(url, options) {
  const r = await fetch(url, options);
  const body = await r.json();
  if (!r.ok) throw Object.assign(new Error(body.error || r.statusText), { body, status: r.status });
  return body;
}

function clipInfo(name) {
  return page.state ? page.state.clips.find((c) => c.name === name) : null;
}

// ---- Frames -------------------------------------------------------------------------------
async function loadFrame(view) {
  if (!view.clip || view.el.hidden) return;
  const info = clipInfo(view.clip);
  if (!info) return;
  const n = Math.min(page.frame, info.frames - 1);
  const token = ++view.seq;
  if (view.abort) view.abort.abort();
  view.abort = new AbortController();
  const started = performance.now();
  const step = pictureStep();
  let r, bytes;
  try {
    r = await fetch(`/api/frame?clip=${encodeURIComponent(view.clip)}&n=${n}&step=${step}&view=${view.key}&sequence=${token}`,
                    { signal: view.abort.signal });
    if (r.status === 409) return;  // overtaken: a newer request of this view is on its way
    if (!r.ok) {
      const body = await r.json();
      if (token === view.seq) showFrameError(body);
      return;
    }
    var answered = performance.now();
    bytes = await r.arrayBuffer();
  } catch (e) {
    if (e.name !== 'AbortError') console.error(e);
    return;
  }
  if (token !== view.seq) return;  // overtaken by a newer request
  const received = performance.now();
  const w = +r.headers.get('X-Width'), h = +r.headers.get('X-Height');
  const pw = Math.ceil(w / step), ph = Math.ceil(h / step);
  if (view.picture.width !== pw || view.picture.height !== ph) {
    view.picture.width = pw; view.picture.height = ph;
  }
  if (view.overlay.width !== w || view.overlay.height !== h) {
    view.overlay.width = w; view.overlay.height = h;
  }
  view.pictureCtx.putImageData(new ImageData(new Uint8ClampedArray(bytes), pw, ph), 0, 0);
  view.overlayCtx.clearRect(0, 0, w, h);
  view.width = w; view.height = h; view.step = step;
  view.isMask = r.headers.get('X-Mask') === '1';
  view.testMode = r.headers.get('X-Test-Mode') || '';
  if (view === views[0]) {
    $('threshold').hidden = !view.testMode;
    $('thresholdInfo').textContent = view.testMode;
  }
  view.shown = { clip: view.clip, n, generation: +r.headers.get('X-Generation'),
                 makeMs: +r.headers.get('X-Make-Ms'), cached: r.headers.get('X-Cached') === '1' };
  if (page.zoom === 'fit') fit();
  drawAll();
  reloadIfStepChanged();
  const ms = performance.now() - started;
  page.stats.latencies.push({ clip: view.clip, n, ms, step, cached: view.shown.cached, makeMs: view.shown.makeMs,
                             answerMs: answered - started, bytesMs: received - answered });
  if (page.stats.latencies.length > 500) page.stats.latencies.shift();
  page.stats.shown++;
  view.el.dataset.shown = `${view.clip}:${n}:${view.shown.generation}`;
  showInfo();
  if (page.hover && page.hover.view === view) readPixel();
}

function loadFrames() {
  for (const v of views) loadFrame(v);
}

function showFrameError(body) {
  $('errorMessage').textContent = body.error;
  $('errorPlace').textContent = body.line ? `while making a frame: line ${body.line}, column ${body.column}` : '';
  $('errorLine').textContent = '';
  $('error').hidden = false;
}

// Zoomed out, the page asks for every step-th pixel only (the browser would drop the rest
// when drawing): a 1080p frame in a window moves a quarter of the bytes.
function pictureStep() {
  return page.scale >= 1 ? 1 : Math.min(16, Math.max(1, Math.round(1 / page.scale)));
}

// ---- Drawing, zoom and pan ----------------------------------------------------------------
function viewSize(view) {
  return { w: view.el.clientWidth, h: view.el.clientHeight };
}

function fit() {
  const v = views[0];
  if (!v.width) return;
  const { w, h } = viewSize(v);
  page.scale = Math.min(w / v.width, h / v.height);
  page.panX = (w - v.width * page.scale) / 2;
  page.panY = (h - v.height * page.scale) / 2;
}

function setZoom(zoom, aroundX, aroundY) {
  if (zoom === 'fit') {
    page.zoom = 'fit';
    fit();
  } else {
    const v = views[0];
    const { w, h } = viewSize(v);
    const cx = aroundX ?? w / 2, cy = aroundY ?? h / 2;
    // Keep the picture point under (cx, cy) where it is.
    const px = (cx - page.panX) / page.scale, py = (cy - page.panY) / page.scale;
    page.zoom = zoom;
    page.scale = zoom;
    page.panX = cx - px * zoom;
    page.panY = cy - py * zoom;
  }
  zoomChanged();
}

function zoomChanged() {
  for (const b of document.querySelectorAll('[data-zoom]'))
    b.classList.toggle('active', String(page.zoom) === b.dataset.zoom);
  drawAll();
  reloadIfStepChanged();
}

function reloadIfStepChanged() {
  if (views.some((v) => v.width && v.step !== pictureStep())) loadFrames();
}

function draw(view) {
  const { w, h } = viewSize(view);
  if (view.canvas.width !== w || view.canvas.height !== h) {
    view.canvas.width = w; view.canvas.height = h;
  }
  const ctx = view.ctx;
  ctx.setTransform(1, 0, 0, 1, 0, 0);
  ctx.fillStyle = '#111';
  ctx.fillRect(0, 0, w, h);
  if (!view.width) return;
  ctx.imageSmoothingEnabled = false;
  const s = page.scale;
  ctx.drawImage(view.picture, page.panX, page.panY, view.picture.width * view.step * s, view.picture.height * view.step * s);
  ctx.drawImage(view.overlay, page.panX, page.panY, view.width * s, view.height * s);
  // Pins, the rectangle and the stroke, in screen space.
  const at = (x, y) => [page.panX + (x + 0.5) * s, page.panY + (y + 0.5) * s];
  ctx.lineWidth = 1.5;
  if (page.rect) {
    const r = page.rect;
    ctx.strokeStyle = '#ffd400';
    ctx.strokeRect(page.panX + r.lx * s, page.panY + r.ty * s, (r.rx - r.lx + 1) * s, (r.by - r.ty + 1) * s);
  }
  if (page.pins.length >= 2) {
    const a = at(...page.pins[page.pins.length - 2]), b = at(...page.pins[page.pins.length - 1]);
    ctx.strokeStyle = 'rgba(0, 255, 200, 0.8)';
    ctx.beginPath(); ctx.moveTo(...a); ctx.lineTo(...b); ctx.stroke();
  }
  page.pins.forEach(([x, y], i) => {
    const [cx, cy] = at(x, y);
    ctx.strokeStyle = '#000'; ctx.lineWidth = 3;
    ctx.beginPath(); ctx.arc(cx, cy, 5, 0, 2 * Math.PI); ctx.stroke();
    ctx.strokeStyle = '#0ff'; ctx.lineWidth = 1.5;
    ctx.beginPath(); ctx.arc(cx, cy, 5, 0, 2 * Math.PI); ctx.stroke();
    ctx.fillStyle = '#0ff';
    ctx.fillText(String(i + 1), cx + 7, cy - 7);
  });
}

function drawAll() {
  for (const v of views) if (!v.el.hidden) draw(v);
}

function pictureAt(view, event) {
  const box = view.canvas.getBoundingClientRect();
  const sx = event.clientX - box.left, sy = event.clientY - box.top;
  return { sx, sy, x: Math.floor((sx - page.panX) / page.scale), y: Math.floor((sy - page.panY) / page.scale) };
}

// ---- Pixel readout and seed preview -------------------------------------------------------
let pixelBusy = false, seedBusy = false;

async function readPixel() {
  const h = page.hover;
  if (!h || pixelBusy) return;
  const view = h.view, n = view.shown ? view.shown.n : page.frame;
  $('pixelPlace').textContent = `x ${h.x}, y ${h.y}  (${view.clip}, frame ${n})`;
  pixelBusy = true;
  try {
    const p = await getJson(`/api/pixel?clip=${encodeURIComponent(view.clip)}&n=${n}&x=${h.x}&y=${h.y}`);
    $('pixelBytes').textContent = p.channels.map(([k, v]) => `${k} ${v}`).join('  ');
    $('pixelShown').textContent = p.shown;
    $('swatch').style.background = '#' + p.shown.slice(1);
    $('readout').dataset.point = `${p.x},${p.y}`;
  } catch (e) {
    $('pixelBytes').textContent = '';
  } finally {
    pixelBusy = false;
  }
  if (page.hover && (page.hover.x !== h.x || page.hover.y !== h.y || page.hover.view !== view)) readPixel();
  else previewSeed();
}

async function previewSeed() {
  const h = page.hover;
  if (!h || !h.view.isMask) {
    $('seed').hidden = true;
    return;
  }
  if (seedBusy) return;
  const view = h.view, n = view.shown ? view.shown.n : page.frame;
  seedBusy = true;
  let s = null;
  try {
    s = await getJson(`/api/seed?clip=${encodeURIComponent(view.clip)}&n=${n}&x=${h.x}&y=${h.y}`);
  } catch (e) {
    console.error(e);
  } finally {
    seedBusy = false;
  }
  // The pointer moved on while this request was out (perhaps one that failed, for a point
  // outside a smaller clip): the newest point gets its own preview.
  if (page.hover && (page.hover.x !== h.x || page.hover.y !== h.y || page.hover.view !== view)) return previewSeed();
  if (!s) return;
  $('seed').hidden = false;
  const share = (100 * s.share).toFixed(s.share < 0.001 ? 3 : 1);
  $('seedInfo').textContent = s.fills
    ? `a ColorDrops seed at ${s.x}, ${s.y} fills ${s.size.toLocaleString('en')} pixels (${share}% of the frame); mask value ${s.sample}`
    : `mask value ${s.sample}: ColorDrops fills nothing here unless wshed=true`;
  const warnings = [];
  if (s.share > 0.5) warnings.push('covers more than half the frame: does the region leak through a gap?');
  if (s.on_line) warnings.push('the point is on a mask line: the seed paints the line, not a region');
  if (!s.all_runs) warnings.push('the region is too ragged to highlight');
  $('seedWarning').textContent = warnings.join(' ');
  $('seed').dataset.size = s.size;
  // Highlight the region over the picture.
  const ctx = view.overlayCtx;
  ctx.clearRect(0, 0, view.width, view.height);
  ctx.fillStyle = s.share > 0.5 ? 'rgba(255, 60, 60, 0.5)' : 'rgba(255, 0, 200, 0.45)';
  for (let i = 0; i < s.runs.length; i += 3) ctx.fillRect(s.runs[i + 1], s.runs[i], s.runs[i + 2] - s.runs[i + 1] + 1, 1);
  draw(view);
}

function clearSeedOverlay() {
  for (const v of views) if (v.width) v.overlayCtx.clearRect(0, 0, v.width, v.height);
}

// ---- Points -------------------------------------------------------------------------------
function showPins() {
  const list = $('pinList');
  list.textContent = '';
  page.pins.forEach(([x, y], i) => {
    const li = document.createElement('li');
    li.textContent = `${x}, ${y}`;
    const remove = document.createElement('button');
    remove.textContent = '×';
    remove.title = 'remove this point';
    remove.onclick = () => { page.pins.splice(i, 1); showPins(); drawAll(); };
    li.appendChild(remove);
    list.appendChild(li);
  });
  const lines = [];
  if (page.pins.length) lines.push(`seed: ${page.pins[page.pins.length - 1].join(', ')}`);
  if (page.pins.length >= 2) lines.push(`stroke: ${[...page.pins[page.pins.length - 2], ...page.pins[page.pins.length - 1]].join(', ')}`);
  if (page.rect) {
    const r = page.rect;
    lines.push(`window: lx=${r.lx}, ty=${r.ty}, rx=${r.rx}, by=${r.by}`);
  }
  $('pasteText').value = lines.join('\n');
}

// ---- Pointer ------------------------------------------------------------------------------
function attachPointer(view) {
  let drag = null;
  view.canvas.addEventListener('pointerdown', (e) => {
    const p = pictureAt(view, e);
    drag = { startX: e.clientX, startY: e.clientY, panX: page.panX, panY: page.panY, moved: false,
             shift: e.shiftKey, x0: p.x, y0: p.y };
    view.canvas.setPointerCapture(e.pointerId);
  });
  view.canvas.addEventListener('pointermove', (e) => {
    const p = pictureAt(view, e);
    if (drag) {
      const dx = e.clientX - drag.startX, dy = e.clientY - drag.startY;
      if (Math.abs(dx) + Math.abs(dy) > 3) drag.moved = true;
      if (drag.moved && drag.shift) {
        const clampX = (x) => Math.max(0, Math.min(view.width - 1, x));
        const clampY = (y) => Math.max(0, Math.min(view.height - 1, y));
        page.rect = { lx: clampX(Math.min(drag.x0, p.x)), ty: clampY(Math.min(drag.y0, p.y)),
                      rx: clampX(Math.max(drag.x0, p.x)), by: clampY(Math.max(drag.y0, p.y)) };
        showPins();
        drawAll();
      } else if (drag.moved) {
        if (page.zoom === 'fit') {
          page.zoom = page.scale;
          zoomChanged();
        }
        page.panX = drag.panX + dx; page.panY = drag.panY + dy;
        drawAll();
      }
    }
    if (p.x >= 0 && p.y >= 0 && p.x < view.width && p.y < view.height) {
      if (!page.hover || page.hover.x !== p.x || page.hover.y !== p.y || page.hover.view !== view) {
        page.hover = { view, x: p.x, y: p.y };
        readPixel();
      }
    }
  });
  view.canvas.addEventListener('pointerup', (e) => {
    if (drag && !drag.moved) {
      const p = pictureAt(view, e);
      if (p.x >= 0 && p.y >= 0 && p.x < view.width && p.y < view.height) {
        page.pins.push([p.x, p.y]);
        showPins();
        drawAll();
      }
    }
    drag = null;
  });
  view.canvas.addEventListener('pointerleave', () => {
    page.hover = null;
    clearSeedOverlay();
    drawAll();
  });
  view.canvas.addEventListener('wheel', (e) => {
    e.preventDefault();
    const p = pictureAt(view, e);
    const i = ZOOMS.findIndex((z) => z >= page.scale - 1e-9);
    const from = i < 0 ? ZOOMS.length - 1 : i;
    const next = e.deltaY < 0 ? ZOOMS[Math.min(ZOOMS.length - 1, ZOOMS[from] > page.scale + 1e-9 ? from : from + 1)]
                              : ZOOMS[Math.max(0, from - 1)];
    setZoom(next, p.sx, p.sy);
  }, { passive: false });
}

// ---- Frame navigation ---------------------------------------------------------------------
function frameCount() {
  const info = clipInfo(page.clipA);
  return info ? info.frames : 1;
}

function goTo(n) {
  const last = frameCount() - 1;
  n = Math.max(0, Math.min(last, Math.round(Number(n) || 0)));
  page.frame = n;
  $('frameSlider').value = n;
  $('frameBox').value = n;
  clearSeedOverlay();
  loadFrames();
}

// ---- State from the server ----------------------------------------------------------------
function fillSelect(select, names, chosen, allowNone) {
  select.textContent = '';
  if (allowNone) select.appendChild(new Option('(none)', ''));
  for (const name of names) select.appendChild(new Option(name, name));
  select.value = chosen;
}

function showSliders(sliders) {
  $('sliders').hidden = sliders.length === 0;
  const list = $('sliderList');
  const same = list.children.length === sliders.length &&
               sliders.every((s, i) => list.children[i].dataset.label === s.label);
  if (!same) {
    list.textContent = '';
    for (const s of sliders) {
      const div = document.createElement('div');
      div.className = 'slider';
      div.dataset.label = s.label;
      div.innerHTML = '<label><span class="name"></span><span class="value"></span></label><input type="range">';
      div.querySelector('.name').textContent = s.label;
      const input = div.querySelector('input');
      input.min = s.min; input.max = s.max;
      input.step = s.is_float ? (s.max - s.min) / 1000 : 1;
      input.addEventListener('input', () => moveSlider(s.label, Number(input.value), div));
      list.appendChild(div);
    }
  }
  sliders.forEach((s, i) => {
    const div = list.children[i];
    const input = div.querySelector('input');
    if (document.activeElement !== input) input.value = s.value;
    const value = div.querySelector('.value');
    value.textContent = s.is_float ? Number(s.value).toFixed(3) : String(s.value);
    value.classList.toggle('changed', s.value !== s.initial);
    value.title = `default in the script: ${s.initial}`;
  });
}

function showError(error) {
  $('error').hidden = !error;
  $('views').classList.toggle('dimmed', !!error);
  if (!error) return;
  $('errorMessage').textContent = error.message;
  $('errorPlace').textContent = error.line ? `${error.file}, line ${error.line}, column ${error.column}` : error.file;
  $('errorLine').textContent = error.text ? `${error.text}\n${' '.repeat(Math.max(0, error.column - 1))}^` : '';
}

function showInfo() {
  const v = views[0];
  const info = clipInfo(v.clip);
  if (!info) { $('info').textContent = ''; return; }
  const fps = info.fps_denominator ? info.fps_numerator / info.fps_denominator : 0;
  let text = `${info.width}×${info.height} · ${info.frames} frames · ${info.pixel_type} · ${+fps.toFixed(3)} fps`;
  if (v.shown) text += ` · frame made in ${v.shown.makeMs.toFixed(1)} ms${v.shown.cached ? ' (kept)' : ''}`;
  $('info').textContent = text;
}

function applyState(state) {
  const changed = state.generation !== page.generation;
  page.state = state;
  page.generation = state.generation;
  $('script').textContent = state.script;
  document.title = `${state.script} · tintara serve`;
  showError(state.error);
  if (state.message) $('saveMessage').textContent = state.message;
  const names = state.clips.map((c) => c.name);
  if (!names.includes(page.clipA)) page.clipA = names.includes('result') ? 'result' : names[0] || '';
  if (page.clipB && !names.includes(page.clipB)) page.clipB = '';
  fillSelect($('clipA'), names, page.clipA, false);
  fillSelect($('clipB'), names, page.clipB, true);
  showSliders(state.sliders);
  layout();
  const last = frameCount() - 1;
  $('frameSlider').max = last;
  $('frameCount').textContent = last + 1;
  $('frameBox').max = last;
  if (page.frame > last) page.frame = last;
  $('frameSlider').value = page.frame;
  $('frameBox').value = page.frame;
  if (changed) loadFrames();
}

function layout() {
  const b = page.clipB;
  views[0].clip = page.showB && b ? b : page.clipA;
  views[0].caption.textContent = page.side || (page.showB && b) ? (page.showB && b ? 'B: ' : 'A: ') + views[0].clip : views[0].clip;
  views[1].el.hidden = !(page.side && b);
  views[1].clip = b;
  views[1].caption.textContent = 'B: ' + b;
  $('swap').classList.toggle('active', page.showB);
  requestAnimationFrame(() => { if (page.zoom === 'fit') fit(); drawAll(); reloadIfStepChanged(); });
}

function changeClips() {
  layout();
  for (const v of views) v.shown = null;
  clearSeedOverlay();
  loadFrames();
}

let sliderAbort = null, sliderSeq = 0;
async function moveSlider(label, value, div) {
  div.querySelector('.value').textContent = String(value);
  const token = ++sliderSeq;
  if (sliderAbort) sliderAbort.abort();
  sliderAbort = new AbortController();
  try {
    const state = await getJson('/api/sliders', { method: 'POST', body: JSON.stringify({ values: { [label]: value } }),
                                                  headers: { 'Content-Type': 'application/json' }, signal: sliderAbort.signal });
    if (token === sliderSeq) applyState(state);
  } catch (e) {
    if (e.name !== 'AbortError') $('saveMessage').textContent = e.message;
  }
}

let saveSeq = 0;
async function save() {
  ++saveSeq;
  try {
    const state = await getJson('/api/save', { method: 'POST', body: '{}', headers: { 'Content-Type': 'application/json' } });
    applyState(state);
  } catch (e) {
    $('saveMessage').textContent = e.message;
  }
}

async function poll() {
  try {
    // A slider moved or a save made while this request was out gets a newer state of its
    // own: an answer from before it must not put the older values back.
    const actions = sliderSeq + saveSeq;
    const state = await getJson('/api/state');
    if (state.generation > page.generation && actions === sliderSeq + saveSeq) applyState(state);
  } catch (e) {
    // The server is gone or busy: try again later.
  }
  setTimeout(poll, 400);
}

// ---- Wiring -------------------------------------------------------------------------------
function wire() {
  views.forEach(attachPointer);
  $('clipA').onchange = (e) => { page.clipA = e.target.value; page.showB = false; changeClips(); };
  $('clipB').onchange = (e) => { page.clipB = e.target.value; page.showB = false; changeClips(); };
  $('sideBySide').onchange = (e) => { page.side = e.target.checked; page.showB = false; changeClips(); };
  $('swap').onclick = () => { if (page.clipB) { page.showB = !page.showB; changeClips(); } };
  for (const b of document.querySelectorAll('[data-zoom]'))
    b.onclick = () => setZoom(b.dataset.zoom === 'fit' ? 'fit' : Number(b.dataset.zoom));
  $('frameSlider').addEventListener('input', (e) => goTo(e.target.value));
  $('frameBox').addEventListener('change', (e) => goTo(e.target.value));
  $('prev').onclick = () => goTo(page.frame - 1);
  $('next').onclick = () => goTo(page.frame + 1);
  $('clearPins').onclick = () => { page.pins = []; page.rect = null; showPins(); drawAll(); };
  $('save').onclick = save;
  document.addEventListener('keydown', (e) => {
    const t = e.target;
    if (t.tagName === 'INPUT' || t.tagName === 'TEXTAREA' || t.tagName === 'SELECT') return;
    const steps = { ArrowLeft: -1, ArrowRight: 1, ArrowDown: -10, ArrowUp: 10, PageDown: 10, PageUp: -10 };
    if (e.key in steps) goTo(page.frame + steps[e.key]);
    else if (e.key === 'Home') goTo(0);
    else if (e.key === 'End') goTo(frameCount() - 1);
    else if (e.key === 'x' || e.key === 'X') $('swap').onclick();
    else return;
    e.preventDefault();
  });
  window.addEventListener('resize', () => { if (page.zoom === 'fit') fit(); drawAll(); reloadIfStepChanged(); });
  setZoom('fit');
}

// For the browser test: go to a frame; show picture pixel (x, y) in the middle at a zoom.
window.tintaraGoTo = goTo;
window.tintaraCentre = (x, y, zoom) => {
  const { w, h } = viewSize(views[0]);
  page.zoom = zoom;
  page.scale = zoom;
  page.panX = Math.round(w / 2 - (x + 0.5) * zoom);
  page.panY = Math.round(h / 2 - (y + 0.5) * zoom);
  zoomChanged();
};
wire();
getJson('/api/state').then(applyState).finally(() => setTimeout(poll, 400));
