// The audio thread: the WebAssembly engine renders every quantum at the context's own rate.
// Commands come through the port and take effect between quanta; the processor never waits on
// the main thread, and tells it the playing position about sixty times a second.
import { Engine } from './engine.js';

const STATES_PER_SECOND = 60;
const FIELDS_PER_CHANNEL = 5;
const LEVEL = 4;

class KavoProcessor extends AudioWorkletProcessor {
  constructor(options) {
    super();
    const settings = options.processorOptions;
    this.engine = new Engine(settings.module);
    this.song = null;
    this.subsong = 0;
    this.playing = false;
    this.sounded = false;
    this.channels = new Float32Array(256 * FIELDS_PER_CHANNEL);
    this.peaks = new Float32Array(256);
    this.framesToState = 0;
    this.settings = { repeat: 0, interpolation: 2, volume: 128, separation: 100 };
    this.port.onmessage = (event) => this.command(event.data);
    if (settings.song) this.load(settings.song, settings.settings, settings.play);
  }

  command(message) {
    const song = this.song;
    switch (message.type) {
      case 'load':
        return this.load(message.bytes, message.settings, message.play, message.subsong);
      case 'play':
        // After the song's end, play means from the beginning again.
        if (song && song.state().ended) song.selectSubsong(this.subsong);
        this.playing = song !== null;
        this.sounded = false;
        return;
      case 'pause':
        this.playing = false;
        return;
      case 'seek':
        if (song) song.seekSeconds(message.seconds);
        return this.postState();
      case 'order':
        if (song) song.seekOrder(Math.max(0, song.state().order + message.step), 0);
        return this.postState();
      case 'subsong':
        this.subsong = message.index;
        if (song) song.selectSubsong(message.index);
        return this.postState();
      case 'settings':
        return this.apply(message.settings);
      case 'game':
        return this.game(message);
    }
  }

  // Queued jumps, sound effects and fades (game-panel.js); each answers with the pending jump.
  game(message) {
    const song = this.song;
    if (!song) return;
    let result = 0;
    switch (message.action) {
      case 'jump':
        result = song.queueJump(message.order, message.row ?? 0, message.when, message.rows);
        break;
      case 'cancel':
        result = song.cancelJump();
        break;
      case 'effect':
        result = song.playEffect(message.instrument, message.note, message.volume ?? -1);
        break;
      case 'release':
        result = song.releaseEffect(message.id);
        break;
      case 'fade':
        result = message.channel < 0
          ? song.fadeMaster(message.volume, message.seconds)
          : song.fadeChannel(message.channel, message.volume, message.seconds);
        break;
    }
    this.port.postMessage({ type: 'game', action: message.action, result, jump: song.pendingJump() });
  }

  load(bytes, settings, play, subsong = 0) {
    if (this.song) this.song.destroy();
    this.song = null;
    this.playing = false;
    const result = this.engine.load(new Uint8Array(bytes));
    if (result.error) return this.port.postMessage({ type: 'error', text: result.error });
    this.song = result.song;
    this.subsong = subsong;
    if (subsong > 0) this.song.selectSubsong(subsong);
    this.apply(settings);
    this.playing = !!play;
    this.sounded = false;
    this.port.postMessage({ type: 'loaded' });
    this.postState();
  }

  apply(settings) {
    Object.assign(this.settings, settings ?? {});
    if (!this.song) return;
    const s = this.settings;
    this.song.setRepeat(s.repeat);
    this.song.setInterpolation(s.interpolation);
    this.song.setMasterVolume(s.volume);
    this.song.setStereoSeparation(s.separation);
  }

  process(inputs, outputs) {
    const out = outputs[0];
    if (!this.song || !this.playing || out.length < 2) return true;
    const frames = out[0].length;
    const done = this.song.renderPlanar(sampleRate, frames, out[0], out[1]);
    this.collectLevels();
    const events = this.song.events();
    if (events.length > 0) this.port.postMessage({ type: 'events', events, jump: this.song.pendingJump() });
    if (!this.sounded && out[0].some((v, i) => v !== 0 || out[1][i] !== 0)) {
      this.sounded = true;
      this.port.postMessage({ type: 'sounding', frame: currentFrame });
    }
    this.framesToState -= frames;
    if (this.framesToState <= 0) this.postState();
    if (done < frames) {
      this.playing = false;
      this.postState();
      this.port.postMessage({ type: 'ended' });
    }
    return true;
  }

  // Peaks since the last state message, so that the meters miss no quantum.
  collectLevels() {
    const count = this.song.channelStates(this.channels);
    for (let c = 0; c < count; ++c) {
      this.peaks[c] = Math.max(this.peaks[c], this.channels[c * FIELDS_PER_CHANNEL + LEVEL]);
    }
  }

  postState() {
    if (!this.song) return;
    this.framesToState = sampleRate / STATES_PER_SECOND;
    const state = this.song.state();
    const count = this.song.channelStates(this.channels);
    const channels = this.channels.slice(0, count * FIELDS_PER_CHANNEL);
    for (let c = 0; c < count; ++c) {
      channels[c * FIELDS_PER_CHANNEL + LEVEL] = this.peaks[c];
      this.peaks[c] = 0;
    }
    this.port.postMessage({ type: 'state', state, channels, playing: this.playing });
  }
}

registerProcessor('kavoxm', KavoProcessor);
