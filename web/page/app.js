// The page: files and playlist, transport and settings, the pattern view and song information.
// The main thread keeps its own copy of the song for what it shows (names, cells, lengths); the
// audio thread plays another copy and reports where it is.
import { AudioPlayer, renderOffline } from './audio-player.js';
import { Engine, compileEngine } from './kavoxm.js';
import { GamePanel } from './game-panel.js';
import { bindKeys } from './keys.js';
import { timeText } from './notation.js';
import { PatternView } from './pattern-view.js';
import { showSongInfo } from './song-info.js';

const $ = (id) => document.getElementById(id);
const SEEK_STEP = 5;
const VOLUME_STEP = 16;
const SEPARATION_STEP = 20;

const page = {
  module: null, engine: null, audio: null, view: null, song: null, playlist: [], current: -1,
  playing: false, state: null, duration: { seconds: 0, ends: true }, subsongs: [], demo: null,
  settings: { repeat: 0, interpolation: 2, volume: 128, separation: 100 },
  pressedAt: 0, firstSoundMs: null, seeking: false, game: null,
  measurer: null, measuring: 0, durations: [],
};

function showError(text) {
  $('error').textContent = text;
  $('error').hidden = !text;
}

function setStatus(text) {
  $('status').textContent = text;
}

function setPlaying(playing) {
  page.playing = playing;
  $('play').textContent = playing ? 'Pause' : 'Play';
}

function renderPlaylist() {
  const list = $('playlist');
  list.replaceChildren();
  page.playlist.forEach((entry, i) => {
    const li = document.createElement('li');
    li.textContent = entry.name;
    li.classList.toggle('current', i === page.current);
    li.addEventListener('click', () => openEntry(i, true));
    list.append(li);
  });
}

// Shows a song's facts and subsongs; the audio thread gets its own copy of the bytes.
function openEntry(index, play) {
  const entry = page.playlist[index];
  if (!entry) return false;
  const result = page.engine.load(new Uint8Array(entry.bytes));
  if (result.error) {
    showError(`${entry.name}: ${result.error}`);
    setStatus('');
    return false;
  }
  // The audio thread starts first; the subsongs are measured by a worker, off this thread.
  if (play) page.pressedAt = page.pressedAt || performance.now();
  page.firstSoundMs = null;
  page.audio.load(entry.bytes.slice(0), page.settings, play);
  setPlaying(play);
  showError('');
  if (page.song) page.song.destroy();
  page.song = result.song;
  page.current = index;
  page.subsongs = [];
  page.durations = [];
  page.duration = { seconds: 0, ends: true };
  fillSubsongs();
  $('length').textContent = '\u2026';
  page.measurer.postMessage({ id: ++page.measuring, bytes: entry.bytes.slice(0) });
  showSongInfo($('info'), page.song, entry.name, null);
  page.view.setSong(page.song);
  page.game.songLoaded(page.song.info());
  renderPlaylist();
  $('play').disabled = false;
  setStatus(`${entry.name} at ${page.audio.rate || 'the device\u2019s'} Hz`);
  return true;
}

// Opens the first entry from `index` on (going by `step`) that loads; false when none does.
function openFrom(index, step) {
  for (let i = index; i >= 0 && i < page.playlist.length; i += step) {
    if (openEntry(i, true)) return true;
  }
  return false;
}

function fillSubsongs() {
  const select = $('subsong');
  select.replaceChildren();
  page.subsongs.forEach((subsong, i) => {
    const option = document.createElement('option');
    option.value = i;
    option.textContent = `${i + 1} (order ${subsong.startOrder}, ${timeText(subsong.seconds)})`;
    select.append(option);
  });
  select.disabled = page.subsongs.length < 2;
}

// The worker's answer for the song opened last: its subsongs and their lengths.
function onMeasured({ id, subsongs, durations }) {
  if (id !== page.measuring || !page.song) return;
  page.subsongs = subsongs;
  page.durations = durations;
  fillSubsongs();
  selectDuration(0);
  showSongInfo($('info'), page.song, page.playlist[page.current].name, page.duration);
}

function selectDuration(index) {
  const subsong = page.subsongs[index];
  page.duration = { seconds: page.durations[index] ?? 0, ends: subsong ? subsong.ends : true };
  $('seek').max = Math.max(1, page.duration.seconds);
  $('length').textContent = timeText(page.duration.seconds);
}

async function addFiles(files) {
  const first = page.playlist.length;
  for (const file of files) page.playlist.push({ name: file.name, bytes: await file.arrayBuffer() });
  renderPlaylist();
  openFrom(first, 1);
}

function onWorkletMessage(message) {
  switch (message.type) {
    case 'state':
      page.state = message.state;
      page.view.update(message.state, message.channels);
      showPosition(message.state);
      break;
    case 'sounding':
      if (page.pressedAt) page.firstSoundMs = performance.now() - page.pressedAt;
      page.pressedAt = 0;
      break;
    case 'ended':
      if (!openFrom(page.current + 1, 1)) setPlaying(false);
      break;
    case 'error':
      showError(message.text);
      break;
    case 'game':
    case 'events':
      page.game.message(message);
      break;
  }
}

function showPosition(state) {
  $('time').textContent = timeText(state.seconds);
  if (!page.seeking) $('seek').value = state.seconds;
  $('position').textContent = `order ${state.order} · pattern ${state.pattern} · row ${state.row}`;
}

async function togglePlay() {
  if (!page.song) return playDemo();
  if (page.playing) {
    page.audio.pause();
    setPlaying(false);
    return;
  }
  page.pressedAt = performance.now();
  setPlaying(true);
  await page.audio.play();
}

function playDemo() {
  page.pressedAt = performance.now();
  const index = page.playlist.findIndex((entry) => entry.bytes === page.demo);
  if (index >= 0) return openEntry(index, true);
  page.playlist.push({ name: 'Sombrevallis.xm', bytes: page.demo });
  return openEntry(page.playlist.length - 1, true);
}

function seekBy(seconds) {
  const now = page.state ? page.state.seconds : 0;
  page.audio.seek(Math.max(0, now + seconds));
}

function changeSetting(name, value) {
  page.settings[name] = value;
  page.audio.configure({ [name]: value });
}

function stepInput(id, step) {
  const input = $(id);
  input.value = Number(input.value) + step;
  input.dispatchEvent(new Event('input'));
}

function stepSelect(id, step) {
  const select = $(id);
  const count = select.options.length;
  if (count === 0) return;
  select.selectedIndex = (select.selectedIndex + step + count) % count;
  select.dispatchEvent(new Event('change'));
}

function bindControls() {
  $('demo').addEventListener('click', playDemo);
  $('play').addEventListener('click', togglePlay);
  $('prev-order').addEventListener('click', () => page.audio.stepOrder(-1));
  $('next-order').addEventListener('click', () => page.audio.stepOrder(1));
  $('open').addEventListener('change', (event) => addFiles(event.target.files));
  const seek = $('seek');
  seek.addEventListener('input', () => (page.seeking = true));
  seek.addEventListener('change', () => {
    page.seeking = false;
    page.audio.seek(Number(seek.value));
  });
  $('subsong').addEventListener('change', (event) => {
    const index = Number(event.target.value);
    selectDuration(index);
    page.audio.selectSubsong(index);
  });
  $('loop').addEventListener('change', (e) => changeSetting('repeat', e.target.checked ? -1 : 0));
  $('volume').addEventListener('input', (e) => changeSetting('volume', Number(e.target.value)));
  $('separation').addEventListener('input', (e) =>
    changeSetting('separation', Number(e.target.value)));
  $('interpolation').addEventListener('change', (e) =>
    changeSetting('interpolation', Number(e.target.value)));
}

function bindDrops() {
  document.addEventListener('dragover', (event) => {
    event.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    document.body.classList.remove('dragging');
    addFiles(event.dataTransfer.files);
  });
}

function bindKeyboard() {
  bindKeys(document, {
    togglePlay,
    previousOrder: () => page.audio.stepOrder(-1),
    nextOrder: () => page.audio.stepOrder(1),
    back: () => seekBy(-SEEK_STEP),
    forward: () => seekBy(SEEK_STEP),
    previousFile: () => openFrom(page.current - 1, -1),
    nextFile: () => openFrom(page.current + 1, 1),
    louder: () => stepInput('volume', VOLUME_STEP),
    quieter: () => stepInput('volume', -VOLUME_STEP),
    previousSubsong: () => stepSelect('subsong', -1),
    nextSubsong: () => stepSelect('subsong', 1),
    toggleLoop: () => $('loop').click(),
    narrower: () => stepInput('separation', -SEPARATION_STEP),
    wider: () => stepInput('separation', SEPARATION_STEP),
    nextInterpolation: () => stepSelect('interpolation', 1),
  });
}

function animate() {
  page.view.draw();
  requestAnimationFrame(animate);
}

// For the browser tests: the same render path as playback, and what the page is showing.
function exposeForTests() {
  window.kavoxmPage = {
    renderOffline: (bytes, rate, seconds) =>
      renderOffline(page.module, 'worklet.js', bytes, rate, seconds, page.settings),
    // Renders a whole song (up to `limit` seconds) the way the audio thread does, in quanta
    // of 128 frames, and times it.
    renderSpeed: (bytes, rate, limit) => {
      const result = page.engine.load(bytes);
      if (result.error) return { error: result.error };
      const left = new Float32Array(128);
      const right = new Float32Array(128);
      let frames = 0;
      const start = performance.now();
      while (frames < limit * rate && result.song.renderPlanar(rate, 128, left, right) === 128) {
        frames += 128;
      }
      const ms = performance.now() - start;
      result.song.destroy();
      return { seconds: frames / rate, ms };
    },
    openBytes: (name, bytes, play) => {
      page.playlist.push({ name, bytes: bytes.buffer });
      return openEntry(page.playlist.length - 1, play);
    },
    get state() {
      return page.state;
    },
    get firstSoundMs() {
      return page.firstSoundMs;
    },
    get rate() {
      return page.audio.rate;
    },
  };
}

async function start() {
  try {
    const [module, demo] = await Promise.all([
      compileEngine('kavoxm.wasm'),
      fetch('Sombrevallis.xm').then((r) => (r.ok ? r.arrayBuffer() : null)),
    ]);
    page.module = module;
    page.demo = demo;
    page.engine = new Engine(module);
    page.measurer = new Worker('measure-worker.js', { type: 'module' });
    page.measurer.onmessage = (event) => onMeasured(event.data);
    page.measurer.postMessage({ module });
    page.audio = new AudioPlayer(module, 'worklet.js', onWorkletMessage);
    page.view = new PatternView($('pattern'));
    page.game = new GamePanel($('game'), (message) => page.audio.send(message));
    $('engine-version').textContent = `KavoXM ${page.engine.version()} (WebAssembly)`;
    $('demo').disabled = !demo;
    $('play').disabled = !demo;
    bindControls();
    bindDrops();
    bindKeyboard();
    exposeForTests();
    setStatus('Ready: open XM files or play Sombrevallis.');
    animate();
    // Ready once the audio thread has its engine too (it waits suspended for the first press).
    await page.audio.prepare().catch((e) => showError(`Audio cannot start: ${e.message}`));
    document.body.dataset.ready = 'true';
    window.addEventListener('resize', () => page.view.resize());
  } catch (error) {
    showError(`The player cannot start: ${error.message}`);
    setStatus('');
  }
}

start();
