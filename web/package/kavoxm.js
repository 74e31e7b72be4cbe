// kavoxm: the KavoXM engine compiled to WebAssembly, behind a JavaScript face that mirrors its
// C API (kavoxm.h). kavoxm.wasm is a standalone module without generated glue, so the same code
// instantiates it in Node, on a page's main thread and inside an AudioWorklet (which has no
// fetch and no DOM).

const WASI = 'wasi_snapshot_preview1';
const ENOSYS = 52;

// The module imports a few system calls for the C library; none is needed to play a song from
// memory. Writes are swallowed, the clock tells the time, everything else answers "not
// supported".
function importsFor(module, memoryRef) {
  const imports = {};
  for (const entry of WebAssembly.Module.imports(module)) {
    if (entry.kind !== 'function') continue;
    imports[entry.module] ??= {};
    imports[entry.module][entry.name] = systemCall(entry.module, entry.name, memoryRef);
  }
  return imports;
}

function systemCall(moduleName, name, memoryRef) {
  if (moduleName === WASI && name === 'fd_write') {
    return (fd, iovs, count, written) => {
      const view = new DataView(memoryRef.memory.buffer);
      let bytes = 0;
      for (let i = 0; i < count; ++i) bytes += view.getUint32(iovs + i * 8 + 4, true);
      view.setUint32(written, bytes, true);
      return 0;
    };
  }
  if (moduleName === WASI && name === 'clock_time_get') {
    return (id, precision, out) => {
      const ms = globalThis.performance ? performance.now() : Date.now();
      new DataView(memoryRef.memory.buffer).setBigUint64(out, BigInt(Math.round(ms * 1e6)), true);
      return 0;
    };
  }
  if (moduleName === WASI && name === 'proc_exit') {
    return (code) => {
      throw new Error(`the engine stopped (exit ${code})`);
    };
  }
  return () => (moduleName === WASI ? ENOSYS : 0);
}

const TEXT_UTF8 = 1;
export const Text = { TITLE: 0, TRACKER: 1, MESSAGE: 2, INSTRUMENT: 3, SAMPLE: 4, CHANNEL: 5 };
export const Interpolation = { NEAREST: 0, LINEAR: 1, SPLINE: 2 };
// Field counts of the C structures read here (all 32-bit fields, wasm32 layout).
const INFO_FIELDS = [
  'formatVersion', 'channels', 'patterns', 'instruments', 'samples', 'orders', 'restartOrder',
  'linearFrequencies', 'initialSpeed', 'initialTempo',
];
const STATE_FIELDS = [
  'order', 'pattern', 'row', 'rows', 'speed', 'tempo', 'globalVolume', 'pass', 'channels',
  'ended',
];
const REPORT_BYTES = 5 * 4 + 128;
const EVENT_BYTES = 32; // four int32 fields, then the frame and offset as int64
export const JUMP_WHEN = { nextRow: 0, rows: 1, patternEnd: 2, songEnd: 3 };
export const EVENT_KINDS = [
  '', 'row', 'order', 'loopJump', 'jumpTaken', 'songEnd', 'note', 'fadeEnd', 'effectEnd',
];
const CHANNEL_STATE_BYTES = 20;
const MAX_CHANNELS = 256;
const SCRATCH_BYTES = 4096;
const MAX_RENDER_FRAMES = 1 << 22;

export class Engine {
  // Instantiates a compiled kavoxm.wasm (synchronous: the worklet cannot wait).
  constructor(module) {
    const memoryRef = { memory: null };
    this.instance = new WebAssembly.Instance(module, importsFor(module, memoryRef));
    this.api = this.instance.exports;
    memoryRef.memory = this.api.memory;
    if (this.api._initialize) this.api._initialize();
    this.scratch = this.api.malloc(SCRATCH_BYTES);
    this.channelStates = this.api.malloc(CHANNEL_STATE_BYTES * MAX_CHANNELS);
    this.renderBuffer = 0;
    this.renderFrames = 0;
  }

  // Views are taken afresh for every use: a growing memory detaches the old ones.
  bytes() {
    return new Uint8Array(this.api.memory.buffer);
  }
  view() {
    return new DataView(this.api.memory.buffer);
  }

  cString(pointer, limit = 1 << 20) {
    const bytes = this.bytes();
    let end = pointer;
    while (end < pointer + limit && bytes[end] !== 0) ++end;
    return new TextDecoder().decode(bytes.subarray(pointer, end));
  }

  version() {
    return this.cString(this.api.kavoxm_version_string());
  }

  // The text of a C API error code (a negative number a call returned).
  errorString(code) {
    return this.cString(this.api.kavoxm_error_string(code));
  }

  // Loads an image: { song } on success, { error } with the reason in words otherwise.
  load(data) {
    const api = this.api;
    const image = api.malloc(Math.max(1, data.length));
    if (image === 0) return { error: 'not enough memory for the file' };
    this.bytes().set(data, image);
    const out = this.scratch;
    const report = this.scratch + 8;
    this.bytes().fill(0, out, report + REPORT_BYTES);
    const result = api.kavoxm_load_memory(image, data.length, out, report);
    api.free(image);
    if (result !== 0) {
      const reason = this.cString(report + 20, 128);
      return { error: reason || this.cString(api.kavoxm_error_string(result)) };
    }
    return { song: new Song(this, this.view().getUint32(out, true)) };
  }

  // Room for `frames` frames of two float channels, one after the other, in the module's memory.
  renderTarget(frames) {
    if (!(frames >= 0 && frames <= MAX_RENDER_FRAMES)) throw new RangeError(`frames: ${frames}`);
    if (frames > this.renderFrames) {
      if (this.renderBuffer) this.api.free(this.renderBuffer);
      this.renderBuffer = this.api.malloc(frames * 8);
      this.renderFrames = frames;
    }
    return this.renderBuffer;
  }
}

function readInts(view, at, names) {
  const result = {};
  names.forEach((name, i) => (result[name] = view.getInt32(at + i * 4, true)));
  return result;
}

export class Song {
  constructor(engine, handle) {
    this.engine = engine;
    this.api = engine.api;
    this.handle = handle;
  }

  destroy() {
    if (this.handle) this.api.kavoxm_destroy(this.handle);
    this.handle = 0;
  }

  info() {
    const at = this.engine.scratch;
    this.api.kavoxm_get_info(this.handle, at);
    return readInts(this.engine.view(), at, INFO_FIELDS);
  }

  // A name or the message as UTF-8 made safe by the library (control characters removed).
  text(kind, index = 0) {
    const length = Number(this.api.kavoxm_get_text(this.handle, kind, index, TEXT_UTF8, 0, 0));
    if (length <= 0) return '';
    const buffer = this.api.malloc(length + 1);
    this.api.kavoxm_get_text(this.handle, kind, index, TEXT_UTF8, buffer, length + 1);
    const text = new TextDecoder().decode(this.engine.bytes().slice(buffer, buffer + length));
    this.api.free(buffer);
    return text;
  }

  subsongs() {
    const count = this.api.kavoxm_subsong_count(this.handle);
    const at = this.engine.scratch;
    const list = [];
    for (let i = 0; i < count; ++i) {
      if (this.api.kavoxm_get_subsong(this.handle, i, at) !== 0) break;
      const view = this.engine.view();
      list.push({
        startOrder: view.getInt32(at, true),
        ends: view.getInt32(at + 4, true) === 1,
        seconds: view.getFloat64(at + 8, true),
      });
    }
    return list;
  }

  selectSubsong(index) {
    return this.api.kavoxm_select_subsong(this.handle, index);
  }
  duration() {
    return this.api.kavoxm_duration(this.handle);
  }
  seekSeconds(seconds) {
    return this.api.kavoxm_seek_seconds(this.handle, seconds);
  }
  seekOrder(order, row = 0) {
    return this.api.kavoxm_seek_order(this.handle, order, row);
  }
  setRepeat(count) {
    return this.api.kavoxm_set_repeat(this.handle, count);
  }
  setInterpolation(kind) {
    return this.api.kavoxm_set_interpolation(this.handle, kind);
  }
  setMasterVolume(volume) {
    return this.api.kavoxm_set_master_volume(this.handle, volume);
  }
  setStereoSeparation(percent) {
    return this.api.kavoxm_set_stereo_separation(this.handle, percent);
  }
  setGainDb(decibels) {
    return this.api.kavoxm_set_gain_db(this.handle, decibels);
  }
  setClip(clip) {
    return this.api.kavoxm_set_clip(this.handle, clip ? 1 : 0);
  }
  setChannelMute(channel, mute) {
    return this.api.kavoxm_set_channel_mute(this.handle, channel, mute ? 1 : 0);
  }
  setChannelVolume(channel, volume) {
    return this.api.kavoxm_set_channel_volume(this.handle, channel, volume);
  }
  orderPattern(order) {
    return this.api.kavoxm_order_pattern(this.handle, order);
  }
  patternRows(pattern) {
    return this.api.kavoxm_pattern_rows(this.handle, pattern);
  }

  // One cell as [note, instrument, volume, effect, parameter], or null where there is none.
  cell(pattern, row, channel) {
    const at = this.engine.scratch;
    if (this.api.kavoxm_get_cell(this.handle, pattern, row, channel, at) !== 0) return null;
    return Array.from(this.engine.bytes().subarray(at, at + 5));
  }

  state() {
    const at = this.engine.scratch;
    this.api.kavoxm_get_state(this.handle, at);
    const view = this.engine.view();
    const state = readInts(view, at, STATE_FIELDS);
    state.seconds = view.getFloat64(at + 40, true);
    return state;
  }

  // Channel states packed as five numbers a channel: note, instrument, volume, panning, level.
  channelStates(into) {
    const at = this.engine.channelStates;
    const count = this.api.kavoxm_get_channel_states(this.handle, at, MAX_CHANNELS);
    const view = this.engine.view();
    for (let c = 0; c < count && c * 5 + 4 < into.length; ++c) {
      const base = at + c * CHANNEL_STATE_BYTES;
      for (let f = 0; f < 4; ++f) into[c * 5 + f] = view.getInt32(base + f * 4, true);
      into[c * 5 + 4] = view.getFloat32(base + 16, true);
    }
    return Math.max(0, count);
  }

  // Renders the next `frames` frames at `rate` as interleaved 32-bit float samples, `channels`
  // 1 or 2, as kavoxm_render_float: a Float32Array of the frames the song gave (shorter at its
  // end, empty after it). A failed call throws an Error with the library's reason.
  renderFloat(rate, channels, frames) {
    const buffer = this.engine.renderTarget(frames); // room for two channels
    const done = Number(this.api.kavoxm_render_float(this.handle, rate, channels, buffer, frames));
    if (done < 0) throw new Error(`kavoxm_render_float: ${this.engine.errorString(done)}`);
    return new Float32Array(this.api.memory.buffer, buffer, done * channels).slice();
  }

  // Music that follows a game. `when`: one of JUMP_WHEN's names.
  queueJump(order, row, when = 'patternEnd', rows = 16) {
    return this.api.kavoxm_queue_jump(this.handle, order, row, JUMP_WHEN[when] ?? -1, rows);
  }
  cancelJump() {
    return this.api.kavoxm_cancel_jump(this.handle);
  }
  // The queued jump ({ order, row, when, rows }), or null.
  pendingJump() {
    const at = this.engine.scratch;
    if (this.api.kavoxm_get_jump(this.handle, at) !== 0) return null;
    const jump = readInts(this.engine.view(), at, ['pending', 'order', 'row', 'when', 'rows']);
    if (!jump.pending) return null;
    const when = Object.keys(JUMP_WHEN).find((name) => JUMP_WHEN[name] === jump.when);
    return { order: jump.order, row: jump.row, when, rows: jump.rows };
  }
  // The events of the frames rendered so far: { kind, frame, a, b, c } (see EVENT_KINDS).
  events() {
    const at = this.engine.scratch;
    const capacity = Math.floor(SCRATCH_BYTES / EVENT_BYTES);
    const list = [];
    for (;;) {
      const count = this.api.kavoxm_read_events(this.handle, at, capacity);
      const view = this.engine.view();
      for (let i = 0; i < count; ++i) {
        const base = at + i * EVENT_BYTES;
        const [type, a, b, c] = [0, 4, 8, 12].map((o) => view.getInt32(base + o, true));
        list.push({ kind: EVENT_KINDS[type] ?? String(type), frame: Number(view.getBigInt64(base + 16, true)), a, b, c });
      }
      if (count < capacity) return list;
    }
  }
  // The stream frame heard now, on the events' frame count: the frames rendered so far.
  heardFrame() {
    return Number(this.api.kavoxm_heard_frame(this.handle));
  }
  playEffect(instrument, note, volume = -1, panning = -1) {
    return this.api.kavoxm_effect_play(this.handle, instrument, note, volume, panning);
  }
  releaseEffect(id) {
    return this.api.kavoxm_effect_release(this.handle, id);
  }
  stopEffect(id) {
    return this.api.kavoxm_effect_stop(this.handle, id);
  }
  fadeChannel(channel, volume, seconds) {
    return this.api.kavoxm_fade_channel(this.handle, channel, volume, seconds);
  }
  fadeMaster(volume, seconds) {
    return this.api.kavoxm_fade_master(this.handle, volume, seconds);
  }

  // Renders `frames` stereo frames at `rate` into two channel arrays (zeros past the song's
  // end); returns the frames the song gave, or a negative error.
  renderPlanar(rate, frames, left, right) {
    const buffer = this.engine.renderTarget(frames);
    const done = Number(
      this.api.kavoxm_web_render_planar(this.handle, rate, buffer, buffer + frames * 4, frames));
    const memory = this.api.memory.buffer;
    left.set(new Float32Array(memory, buffer, frames));
    right.set(new Float32Array(memory, buffer + frames * 4, frames));
    const given = Math.max(0, done);
    left.fill(0, given);
    right.fill(0, given);
    return done;
  }
}

// Compiles kavoxm.wasm once; the compiled module can be handed to a worklet as it is. `url`
// defaults to the kavoxm.wasm beside this file; in Node it is read from the disk.
export async function compileEngine(url = new URL('./kavoxm.wasm', import.meta.url)) {
  const where = new URL(url, import.meta.url);
  if (where.protocol === 'file:' && globalThis.process?.versions?.node) {
    const { readFile } = await import('node:fs/promises');
    return WebAssembly.compile(await readFile(where));
  }
  const response = await fetch(where);
  if (!response.ok) throw new Error(`could not fetch the engine (${response.status})`);
  return WebAssembly.compile(await response.arrayBuffer());
}

// A ready engine: compiles kavoxm.wasm (see compileEngine) and instantiates it.
export async function createEngine(url) {
  return new Engine(await compileEngine(url));
}
