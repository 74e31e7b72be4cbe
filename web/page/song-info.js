// Song information: title, tracker, length, channels, the instrument and sample names and the
// message. The library hands the texts over as safe UTF-8; they go into the page as text only.
import { Text } from './kavoxm.js';
import { timeText } from './notation.js';

const MAX_SAMPLES = 16;

function item(list, label, value) {
  const dt = document.createElement('dt');
  dt.textContent = label;
  const dd = document.createElement('dd');
  dd.textContent = value;
  dd.dataset.field = label.toLowerCase();
  list.append(dt, dd);
}

function instrumentLines(song, count) {
  const lines = [];
  for (let i = 1; i <= count; ++i) {
    const name = song.text(Text.INSTRUMENT, i);
    const samples = [];
    for (let s = 0; s < MAX_SAMPLES; ++s) {
      const sample = song.text(Text.SAMPLE, i * 256 + s);
      if (sample) samples.push(sample);
    }
    if (name || samples.length) lines.push({ number: i, name, samples });
  }
  return lines;
}

// Fills the panel `root` (with .facts, .instruments and .message inside) for `song`; `duration`
// is null while the song is measured.
export function showSongInfo(root, song, name, duration) {
  const info = song.info();
  const facts = root.querySelector('.facts');
  facts.replaceChildren();
  item(facts, 'Title', song.text(Text.TITLE) || name);
  item(facts, 'Tracker', song.text(Text.TRACKER));
  // No duration yet: the song is still being measured.
  const length = !duration ? 'measuring\u2026' : duration.ends ? timeText(duration.seconds)
    : `over ${timeText(duration.seconds)}`;
  item(facts, 'Length', length);
  item(facts, 'Channels', String(info.channels));
  item(facts, 'Patterns', String(info.patterns));
  item(facts, 'Instruments', String(info.instruments));
  item(facts, 'Speed', `${info.initialSpeed} / ${info.initialTempo} BPM`);
  const list = root.querySelector('.instruments');
  list.replaceChildren();
  for (const line of instrumentLines(song, info.instruments)) {
    const li = document.createElement('li');
    li.value = line.number;
    li.textContent = line.name;
    if (line.samples.length) {
      const samples = document.createElement('span');
      samples.className = 'samples';
      samples.textContent = line.samples.join(' \u00b7 ');
      li.append(' ', samples);
    }
    list.append(li);
  }
  root.querySelector('.message').textContent = song.text(Text.MESSAGE);
}
