'use strict';
// The live view: the latest sample in numbers, and a running graph of the three axes, fed by
// the server's stream of sample batches.

const token = new URLSearchParams(location.search).get('token');
const auth = token ? '?token=' + encodeURIComponent(token) : '';
const $ = (id) => document.getElementById(id);

// Numbers as the meter prints them with "%.Nf": exact decimal value of the double, halves to
// even, and a negative number that rounds to zero keeps its sign.
function fixed(v, decimals) {
  if (v === null || !Number.isFinite(v)) return v === null ? 'nan' : String(v);
  let s = v.toFixed(decimals);
  const exact = Math.abs(v).toFixed(20);
  const half = new RegExp('\\.\\d{' + decimals + '}50{' + (19 - decimals) + '}$');
  if (decimals < 19 && half.test(exact)) {  // exactly half way: printf rounds to the even digit
    const scale = 10 ** decimals;
    const down = (Math.trunc(Math.abs(v) * scale) / scale).toFixed(decimals);
    const lastDigit = Number(down[down.length - 1]);
    if (lastDigit % 2 === 0) s = (v < 0 ? '-' : '') + down;
  }
  if (s[0] !== '-' && (v < 0 || Object.is(v, -0))) s = '-' + s;
  return s;
}
const fixed1 = (v) => fixed(v, 1);

// The meter's units: symbol, how many make a microtesla, decimals (the resolution of 0.1 µT).
const kUnits = {
  uT: ['µT', 1, 1], nT: ['nT', 1000, 0], mG: ['mG', 10, 0], G: ['G', 0.01, 4],
};
let unit = kUnits.uT;
const field = (v) => (unit === kUnits.uT || v === null ? fixed1(v) : fixed(v * unit[1], unit[2]));
// A measured figure (the AC RMS) as the window writes it: three significant digits, never finer
// than a thousandth of a microtesla.
function figure(v) {
  const value = v * unit[1];
  const finest = Math.round(3 - Math.log10(unit[1]));
  const magnitude = Math.abs(value);
  const significant = magnitude > 0 && Number.isFinite(magnitude)
    ? 2 - Math.floor(Math.log10(magnitude)) : finest;
  return fixed(value, Math.min(Math.max(significant, 0), finest));
}

// The compass screen's eight points, compared in single precision as there.
function compassPoint(heading) {
  const h = Math.fround(heading);
  if (Number.isNaN(h)) return '';
  if (h < 23 || h > 337) return 'N';
  if (h <= 67) return 'NE';
  if (h < 113) return 'E';
  if (h <= 157) return 'SE';
  if (h < 203) return 'S';
  if (h <= 247) return 'SW';
  if (h < 293) return 'W';
  return 'NW';
}

// Samples as [t, x, y, z, magneticHeading, trueHeading, total, alarm].
const kRingSamples = 150;
const kSpanSeconds = 60;
const history = [];  // the last 60 s (and never fewer than 150 samples) from index head on
let head = 0;
let latest = null;
let received = 0;
let missed = 0;
let spanSeconds = false;
let dirty = false;

// Samples as the window shows them: a held window keeps its readouts and graph (its alarm still
// follows every sample), and a zeroed one shows the change from the reference.
let alarmNow = false;
function add(entry) {
  alarmNow = !!entry[7];
  dirty = true;
  if (entry[8] === 1) return;  // held
  let sample = entry;
  if (entry.length > 9) {
    const [t, x, y, z, magnetic, trueHeading, , alarm] = entry;
    const sx = x - entry[9], sy = y - entry[10], sz = z - entry[11];
    sample = [t, sx, sy, sz, magnetic, trueHeading, Math.fround(Math.sqrt((sx * sx + sy * sy) + sz * sz)), alarm];
  }
  history.push(sample);
  const cut = sample[0] - kSpanSeconds;
  while (history.length - head > kRingSamples && history[head][0] < cut) head++;
  if (head > 4096 && head * 2 > history.length) {  // let go of old samples in one go
    history.splice(0, head);
    head = 0;
  }
  latest = sample;
  dirty = true;
}

function showLatest() {
  if (!latest) return;
  const [, x, y, z, magnetic, trueHeading, total] = latest;
  $('total').textContent = field(total);
  $('x').textContent = field(x);
  $('y').textContent = field(y);
  $('z').textContent = field(z);
  $('magnetic').textContent = fixed1(magnetic) + '°';
  $('magneticPoint').textContent = compassPoint(magnetic);
  const trueKnown = trueHeading !== null && trueHeading >= 0;
  $('trueRow').hidden = !trueKnown;
  if (trueKnown) {
    $('true').textContent = fixed1(trueHeading) + '°';
    $('truePoint').textContent = compassPoint(trueHeading);
  }
  // An ended source sounds no alarm.
  const alarming = alarmNow && document.body.dataset.signal !== 'ended';
  $('alarm').hidden = !alarming;
  document.body.classList.toggle('alarming', alarming);
  document.body.dataset.samples = String(received);
  $('count').textContent = String(received);
  $('missed').textContent = missed ? ` (${missed} missed while this page fell behind)` : '';
}

const colours = ['#ff5a4e', '#4ede6a', '#5a9bff'];

// A canvas sized to its box in device pixels, cleared, with its context.
function clearedCanvas(canvas) {
  const ratio = window.devicePixelRatio || 1;
  const w = Math.max(1, Math.round(canvas.clientWidth * ratio));
  const h = Math.max(1, Math.round(canvas.clientHeight * ratio));
  if (canvas.width !== w || canvas.height !== h) { canvas.width = w; canvas.height = h; }
  const g = canvas.getContext('2d');
  g.clearRect(0, 0, w, h);
  return { g, w, h, ratio };
}

function drawGraph() {
  const { g, w, h, ratio } = clearedCanvas($('plot'));
  // As on the meter: +128 µT at the top, -128 at the bottom, a grid line every 25.6 µT.
  const yOf = (v) => h / 2 - (v / 128) * (h / 2);
  g.strokeStyle = '#1d272d';
  g.lineWidth = 1;
  for (let v = -128; v <= 128.01; v += 25.6) {
    g.beginPath(); g.moveTo(0, Math.round(yOf(v)) + 0.5); g.lineTo(w, Math.round(yOf(v)) + 0.5);
    g.stroke();
  }
  const start = head;
  const n = history.length - start;
  if (n < 1) return;
  g.lineWidth = 1.5 * ratio;
  if (!spanSeconds) {
    const first = Math.max(start, history.length - kRingSamples);
    for (let axis = 1; axis <= 3; axis++) {
      g.strokeStyle = colours[axis - 1];
      g.beginPath();
      for (let i = first; i < history.length; i++) {
        const px = ((i - first) / (kRingSamples - 1)) * w;
        const v = history[i][axis];
        if (i === first) g.moveTo(px, yOf(v)); else g.lineTo(px, yOf(v));
      }
      g.stroke();
    }
    return;
  }
  // The last 60 s: one column per pixel, its lowest and highest value, so thousands of samples
  // a second cost the same to draw as a few.
  const tEnd = history[history.length - 1][0];
  const tStart = tEnd - kSpanSeconds;
  for (let axis = 1; axis <= 3; axis++) {
    g.strokeStyle = colours[axis - 1];
    g.beginPath();
    let column = -1, lo = 0, hi = 0, moved = false;
    const flush = () => {
      if (column < 0) return;
      if (!moved) { g.moveTo(column, yOf(lo)); moved = true; } else g.lineTo(column, yOf(lo));
      if (hi !== lo) g.lineTo(column, yOf(hi));
    };
    for (let i = start; i < history.length; i++) {
      const s = history[i];
      if (s[0] < tStart) continue;
      const v = s[axis];
      if (v === null) continue;
      const c = Math.floor(((s[0] - tStart) / kSpanSeconds) * (w - 1));
      if (c !== column) { flush(); column = c; lo = hi = v; } else { lo = Math.min(lo, v); hi = Math.max(hi, v); }
    }
    flush();
    g.stroke();
  }
}

function frame() {
  if (dirty) { dirty = false; showLatest(); drawGraph(); }
  requestAnimationFrame(frame);
}

function setSpan(seconds) {
  spanSeconds = seconds;
  $('span150').setAttribute('aria-pressed', String(!seconds));
  $('span60').setAttribute('aria-pressed', String(seconds));
  dirty = true;
}

// live, or the meter's own words for why nothing new comes; anything else dims every reading.
function status(text, live) {
  $('status').textContent = text;
  $('status').classList.toggle('live', live);
  document.body.classList.toggle('stale', !live);
}

// The title says what the window's status line says: live, or ended, or why nothing comes.
let sourceName = '';
function showTitle() {
  const signal = document.body.dataset.signal;
  const word = signal === 'live' ? 'live' : signal === 'ended' ? 'ended' : 'no signal';
  $('state').textContent = word;
  document.title = 'fluxprobe ' + word + (sourceName ? ' \u2014 ' + sourceName : '');
}

function showSignal(state) {
  document.body.dataset.signal = state.signal;
  status(state.signal === 'live' ? 'live' : state.text, state.signal === 'live');
  showTitle();
  if (state.signal === 'ended') drawSpectrum({});
  dirty = true;
}

function connect() {
  const scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
  const socket = new WebSocket(scheme + location.host + '/api/v1/stream' + auth);
  let lastSequence = -1;
  socket.onopen = () => {
    // The meter sends its last samples first: what an earlier connection showed goes.
    history.length = 0;
    head = 0;
    latest = null;
    received = 0;
    missed = 0;
    status('connected', false);
  };
  socket.onmessage = (event) => {
    const message = JSON.parse(event.data);
    if (message.signal !== undefined) { showSignal(message); return; }
    const batch = message;
    missed += batch.missed;
    if (lastSequence >= 0 && batch.first !== lastSequence + 1 + batch.missed)
      missed += Math.max(0, batch.first - (lastSequence + 1 + batch.missed));
    for (const s of batch.samples) add(s);
    received += batch.samples.length;
    lastSequence = batch.first + batch.samples.length - 1;
  };
  socket.onclose = () => {
    document.body.dataset.signal = 'lost';
    showTitle();
    status('No connection to the meter — trying again', false);
    setTimeout(connect, 1000);
  };
}

// The AC part of the field: the server's latest spectrum, twice a second while the page shows.
function drawSpectrum(s) {
  if (document.body.dataset.signal === 'ended') {  // nothing measured any more
    s = { ac_rms: null, dominant_hz: null, message: $('status').textContent, hz: [] };
  }
  $('acRms').textContent = (s.ac_rms === null ? '–' : figure(s.ac_rms)) + ' ' + unit[0] + ' rms';
  $('acHz').textContent = s.dominant_hz === null ? '– Hz' : s.dominant_hz.toFixed(1) + ' Hz';
  $('acMessage').textContent = s.message || '';
  const { g, w, h, ratio } = clearedCanvas($('spectrum'));
  if (!s.hz.length) return;
  const nyquist = s.hz[s.hz.length - 1];
  const sum = s.hz.map((_, k) => Math.hypot(s.x[k], s.y[k], s.z[k]));
  const top = Math.ceil(Math.log10(Math.max(...sum, 1e-4)));
  const xOf = (f) => (f / nyquist) * (w - 1);
  const yOf = (v) => Math.min(h, ((top - Math.log10(Math.max(v, 1e-300))) / 5) * h);
  g.strokeStyle = '#ffb000';
  g.setLineDash([3 * ratio, 3 * ratio]);
  for (const mains of [50, 60]) {
    if (mains >= nyquist) continue;
    g.beginPath(); g.moveTo(xOf(mains), 0); g.lineTo(xOf(mains), h); g.stroke();
  }
  g.setLineDash([]);
  g.lineWidth = 1.5 * ratio;
  g.beginPath();
  sum.forEach((v, k) => (k ? g.lineTo(xOf(s.hz[k]), yOf(v)) : g.moveTo(xOf(s.hz[k]), yOf(v))));
  g.stroke();
}

async function pollSpectrum() {
  if (!document.hidden) {
    try {
      const response = await fetch('api/v1/spectrum' + auth, { cache: 'no-store' });
      if (response.ok) drawSpectrum(await response.json());
    } catch (e) { /* the stream's status line says when the meter is gone */ }
  }
  setTimeout(pollSpectrum, 500);
}

// HOLD, REL and REC as the window shows them, and the window's unit, asked once a second.
async function followStatus() {
  try {
    const response = await fetch('api/v1/status' + auth, { cache: 'no-store' });
    if (response.ok) {
      const s = await response.json();
      const marks = [];
      if (s.held) marks.push('HOLD');
      if (s.relative) marks.push('REL');
      if (s.recording) marks.push('REC');
      if (s.calibrated) marks.push('CAL');
      if (s.replay) marks.push('REPLAY');
      if ((s.replay || '') !== sourceName) { sourceName = s.replay || ''; showTitle(); }
      $('marks').textContent = marks.join(' ');
      const chosen = kUnits[s.units] || kUnits.uT;
      if (chosen !== unit) {
        unit = chosen;
        for (const e of document.querySelectorAll('.unit')) e.textContent = unit[0];
        $('plotRange').textContent = String(Number((128 * unit[1]).toPrecision(6)));
        dirty = true;
      }
    }
  } catch (e) {
    // The stream says when the meter cannot be reached.
  }
  setTimeout(followStatus, 1000);
}

async function start() {
  $('span150').addEventListener('click', () => setSpan(false));
  $('span60').addEventListener('click', () => setSpan(true));
  new ResizeObserver(() => { dirty = true; }).observe($('plot'));
  try {
    // The stream brings the last samples; this only finds out whether the link is allowed in.
    const response = await fetch('api/v1/latest' + auth, { cache: 'no-store' });
    if (response.status === 401) {
      status('this page needs the link with its token', false);
      return;
    }
  } catch (e) {
    status('No connection to the meter', false);
  }
  connect();
  followStatus();
  requestAnimationFrame(frame);
  pollSpectrum();
}

start();
