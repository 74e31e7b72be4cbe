// Pattern cells in the tracker's notation: "C#4 01 40 A0F", dots where a field is empty.

const NOTES = ['C-', 'C#', 'D-', 'D#', 'E-', 'F-', 'F#', 'G-', 'G#', 'A-', 'A#', 'B-'];
const KEY_OFF = 97;
// Volume-column commands from 0x60 up, one symbol each, followed by their low digit.
const VOLUME_COMMANDS = ['-', '+', '\u25bc', '\u25b2', 'S', 'V', 'P', '\u25c0', '\u25b6', 'M'];

const hex = (value, digits) => value.toString(16).toUpperCase().padStart(digits, '0');

// Notes 1..96 are C-0..B-7; 97 is the key-off.
export function noteText(note) {
  if (note === KEY_OFF) return '===';
  if (note < 1 || note > 96) return '\u00b7\u00b7\u00b7';
  return NOTES[(note - 1) % 12] + Math.floor((note - 1) / 12);
}

export function instrumentText(instrument) {
  return instrument === 0 ? '\u00b7\u00b7' : hex(instrument, 2);
}

// 0x10..0x50 set the volume 0..64 (shown in hex); higher values are commands with a digit.
export function volumeText(volume) {
  if (volume >= 0x10 && volume <= 0x50) return hex(volume - 0x10, 2);
  if (volume >= 0x60) return VOLUME_COMMANDS[(volume >> 4) - 6] + hex(volume & 15, 1);
  return '\u00b7\u00b7';
}

// Effects 0..35 are written 0..9 then A..Z; effect 0 with parameter 0 is no effect.
export function effectText(effect, parameter) {
  if (effect === 0 && parameter === 0) return '\u00b7\u00b7\u00b7';
  if (effect > 35) return '?' + hex(parameter, 2);
  return effect.toString(36).toUpperCase() + hex(parameter, 2);
}

export function cellText(cell) {
  if (!cell) return '';
  const [note, instrument, volume, effect, parameter] = cell;
  return `${noteText(note)} ${instrumentText(instrument)} ${volumeText(volume)} ${effectText(effect, parameter)}`;
}

// Song time as m:ss (h:mm:ss from an hour on), rounded down to the second.
export function timeText(seconds) {
  const whole = Math.max(0, Math.floor(seconds));
  const s = String(whole % 60).padStart(2, '0');
  const minutes = Math.floor(whole / 60);
  if (minutes < 60) return `${minutes}:${s}`;
  return `${Math.floor(minutes / 60)}:${String(minutes % 60).padStart(2, '0')}:${s}`;
}
