// Measures songs off the page's thread: the subsongs and the length of each. A measurement is
// bounded but can take a while on a crafted file, and the page keeps answering meanwhile.
import { Engine } from './kavoxm.js';

let engine = null;

onmessage = ({ data }) => {
  if (data.module) {
    engine = new Engine(data.module);
    return;
  }
  const loaded = engine.load(new Uint8Array(data.bytes));
  if (loaded.error) {
    postMessage({ id: data.id, subsongs: [], durations: [] });
    return;
  }
  const song = loaded.song;
  const subsongs = song.subsongs();
  const durations = subsongs.map((_, i) => (song.selectSubsong(i), song.duration()));
  song.destroy();
  postMessage({ id: data.id, subsongs, durations });
};
