// The main thread's side of playback: one AudioContext at the device's own rate, the engine's
// AudioWorkletNode, and the commands sent to it. The context is prepared when the page opens
// (it waits suspended), so pressing play only resumes it and hands over the song.

const PROCESSOR = 'kavoxm';

function createNode(context, module, extra = {}) {
  return new AudioWorkletNode(context, PROCESSOR, {
    numberOfInputs: 0,
    numberOfOutputs: 1,
    outputChannelCount: [2],
    processorOptions: { module, ...extra },
  });
}

export class AudioPlayer {
  // `onMessage` receives the worklet's messages: loaded, error, state, sounding, ended.
  constructor(module, workletUrl, onMessage) {
    this.module = module;
    this.workletUrl = workletUrl;
    this.onMessage = onMessage;
    this.context = null;
    this.node = null;
    this.ready = null;
  }

  // Creates the context and the node once; later calls wait for the same preparation.
  prepare() {
    this.ready ??= (async () => {
      this.context = new AudioContext({ latencyHint: 'interactive' });
      await this.context.audioWorklet.addModule(this.workletUrl);
      this.node = createNode(this.context, this.module);
      this.node.port.onmessage = (event) => this.onMessage(event.data);
      this.node.connect(this.context.destination);
    })();
    return this.ready;
  }

  get rate() {
    return this.context ? this.context.sampleRate : 0;
  }

  // Output latency of the device path in seconds, as far as the browser tells.
  get latency() {
    if (!this.context) return 0;
    return (this.context.baseLatency || 0) + (this.context.outputLatency || 0);
  }

  // Posts at once when the node is ready, so the audio thread starts before the caller's
  // own work goes on.
  async load(bytes, settings, play, subsong = 0) {
    if (!this.node) await this.prepare();
    if (play) this.context.resume();
    this.node.port.postMessage({ type: 'load', bytes, settings, play, subsong });
  }

  async play() {
    await this.prepare();
    await this.context.resume();
    this.node.port.postMessage({ type: 'play' });
  }

  pause() {
    this.send({ type: 'pause' });
  }
  seek(seconds) {
    this.send({ type: 'seek', seconds });
  }
  stepOrder(step) {
    this.send({ type: 'order', step });
  }
  selectSubsong(index) {
    this.send({ type: 'subsong', index });
  }
  configure(settings) {
    this.send({ type: 'settings', settings });
  }

  send(message) {
    if (this.node) this.node.port.postMessage(message);
  }
}

// Renders the first `seconds` of a song through the same processor in an OfflineAudioContext:
// exactly what the page plays, as interleaved 32-bit floats.
export async function renderOffline(module, workletUrl, bytes, rate, seconds, settings) {
  const frames = Math.round(rate * seconds);
  const context = new OfflineAudioContext({ numberOfChannels: 2, length: frames, sampleRate: rate });
  await context.audioWorklet.addModule(workletUrl);
  const node = createNode(context, module, { song: bytes, settings, play: true });
  node.connect(context.destination);
  const rendered = await context.startRendering();
  const left = rendered.getChannelData(0);
  const right = rendered.getChannelData(1);
  const interleaved = new Float32Array(frames * 2);
  for (let i = 0; i < frames; ++i) {
    interleaved[2 * i] = left[i];
    interleaved[2 * i + 1] = right[i];
  }
  return interleaved;
}
