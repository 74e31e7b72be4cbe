// TypeScript declarations of kavoxm.js: the KavoXM engine as WebAssembly, mirroring kavoxm.h.

/** Kinds of text for Song.text (kavoxm_text_kind). */
export declare const Text: {
  readonly TITLE: 0;
  readonly TRACKER: 1;
  readonly MESSAGE: 2;
  readonly INSTRUMENT: 3;
  readonly SAMPLE: 4;
  readonly CHANNEL: 5;
};
/** Interpolations for Song.setInterpolation (kavoxm_interpolation). */
export declare const Interpolation: {
  readonly NEAREST: 0;
  readonly LINEAR: 1;
  readonly SPLINE: 2;
};

/** When a queued jump happens (kavoxm_jump_when), by name. */
export declare const JUMP_WHEN: {
  readonly nextRow: 0;
  readonly rows: 1;
  readonly patternEnd: 2;
  readonly songEnd: 3;
};
export type JumpWhen = keyof typeof JUMP_WHEN;
/** Names of the event kinds (kavoxm_event_kind), indexed by the C value. */
export declare const EVENT_KINDS: readonly string[];

/** A queued jump (kavoxm_get_jump). */
export interface PendingJump {
  order: number;
  row: number;
  when: JumpWhen | undefined;
  rows: number;
}

/** Something that happened in the frames rendered (kavoxm_read_events). */
export interface SongEvent {
  kind: string;
  frame: number;
  a: number;
  b: number;
  c: number;
}

/** What is in the file (kavoxm_info). */
export interface SongInfo {
  formatVersion: number;
  channels: number;
  patterns: number;
  instruments: number;
  samples: number;
  orders: number;
  restartOrder: number;
  linearFrequencies: number;
  initialSpeed: number;
  initialTempo: number;
}

/** Where the song stands (kavoxm_state). */
export interface SongState {
  order: number;
  pattern: number;
  row: number;
  rows: number;
  speed: number;
  tempo: number;
  globalVolume: number;
  pass: number;
  channels: number;
  ended: number;
  seconds: number;
}

/** One subsong (kavoxm_subsong). */
export interface Subsong {
  startOrder: number;
  ends: boolean;
  seconds: number;
}

/** The result of Engine.load: the song, or the loader's reason in words. */
export type LoadResult = { song: Song; error?: undefined } | { song?: undefined; error: string };

/** One instance of the WebAssembly engine, with its own memory. */
export declare class Engine {
  /** Instantiates a compiled kavoxm.wasm, synchronously (usable inside an AudioWorklet). */
  constructor(module: WebAssembly.Module);
  /** The library's version, "MAJOR.MINOR.PATCH". */
  version(): string;
  /** The text of an error code returned by a call. */
  errorString(code: number): string;
  /** Loads an XM image (kavoxm_load_memory). */
  load(data: Uint8Array): LoadResult;
}

/** A loaded song (a kavoxm_module handle). */
export declare class Song {
  /** Frees the song inside the engine; calls after it fail. */
  destroy(): void;
  info(): SongInfo;
  /** A name or the message as UTF-8 (kavoxm_get_text with KAVOXM_TEXT_UTF8). */
  text(kind: number, index?: number): string;
  subsongs(): Subsong[];
  selectSubsong(index: number): number;
  /** Seconds to the song's end from its start (kavoxm_duration). */
  duration(): number;
  seekSeconds(seconds: number): number;
  seekOrder(order: number, row?: number): number;
  setRepeat(count: number): number;
  setInterpolation(kind: number): number;
  setMasterVolume(volume: number): number;
  setStereoSeparation(percent: number): number;
  setGainDb(decibels: number): number;
  setClip(clip: boolean): number;
  setChannelMute(channel: number, mute: boolean): number;
  setChannelVolume(channel: number, volume: number): number;
  orderPattern(order: number): number;
  patternRows(pattern: number): number;
  /** [note, instrument, volume, effect, parameter], or null where there is no such cell. */
  cell(pattern: number, row: number, channel: number): number[] | null;
  state(): SongState;
  /** Fills `into` with five numbers a channel (note, instrument, volume, panning, level);
   *  returns the number of channels. */
  channelStates(into: Float32Array | number[]): number;
  /** The next frames as interleaved float samples (kavoxm_render_float); shorter at the
   *  song's end, empty after it. Throws on an invalid rate or channel count. */
  renderFloat(rate: number, channels: 1 | 2, frames: number): Float32Array;
  /** Music that follows a game: a jump to `order`/`row` at the moment `when` names. */
  queueJump(order: number, row: number, when?: JumpWhen, rows?: number): number;
  cancelJump(): number;
  /** The queued jump, or null when none waits. */
  pendingJump(): PendingJump | null;
  /** The events of the frames rendered since the last call. */
  events(): SongEvent[];
  /** The stream frame heard now, on the count of the events' `frame`: the frames rendered. */
  heardFrame(): number;
  /** Plays an instrument's note as a sound effect over the music; returns its id or an error. */
  playEffect(instrument: number, note: number, volume?: number, panning?: number): number;
  releaseEffect(id: number): number;
  stopEffect(id: number): number;
  /** Fades a channel, or the whole mix, to `volume` over `seconds`. */
  fadeChannel(channel: number, volume: number, seconds: number): number;
  fadeMaster(volume: number, seconds: number): number;
  /** The next stereo frames into two channel arrays (zeros past the end); returns the frames
   *  the song gave, or a negative error code. */
  renderPlanar(rate: number, frames: number, left: Float32Array, right: Float32Array): number;
}

/** Compiles kavoxm.wasm (by default the one beside kavoxm.js; read from the disk in Node). */
export declare function compileEngine(url?: string | URL): Promise<WebAssembly.Module>;
/** compileEngine, then a new Engine on it. */
export declare function createEngine(url?: string | URL): Promise<Engine>;
