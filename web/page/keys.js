// The keyboard: one key (or Shift with it) per action; keys typed into a form field stay there.

const BINDINGS = [
  [' ', false, 'togglePlay'],
  ['ArrowLeft', false, 'previousOrder'],
  ['ArrowRight', false, 'nextOrder'],
  ['ArrowLeft', true, 'back'],
  ['ArrowRight', true, 'forward'],
  ['ArrowUp', false, 'previousFile'],
  ['ArrowDown', false, 'nextFile'],
  ['+', null, 'louder'],
  ['=', false, 'louder'],
  ['-', false, 'quieter'],
  ['PageUp', false, 'previousSubsong'],
  ['PageDown', false, 'nextSubsong'],
  ['l', false, 'toggleLoop'],
  ['L', null, 'toggleLoop'],
  ['[', false, 'narrower'],
  [']', false, 'wider'],
  ['i', false, 'nextInterpolation'],
  ['I', null, 'nextInterpolation'],
];

function typingInto(target) {
  return target instanceof HTMLInputElement && ['text', 'search', 'number'].includes(target.type);
}

// `actions` maps the names above to functions; each is called with no arguments.
export function bindKeys(target, actions) {
  target.addEventListener('keydown', (event) => {
    if (event.ctrlKey || event.altKey || event.metaKey || typingInto(event.target)) return;
    const binding = BINDINGS.find(
      ([key, shift]) => key === event.key && (shift === null || shift === event.shiftKey));
    if (!binding || !actions[binding[2]]) return;
    event.preventDefault();
    actions[binding[2]]();
  });
  // A focused button would also take the space bar as a click when it is released.
  target.addEventListener('keyup', (event) => {
    if (event.key === ' ' && !typingInto(event.target)) event.preventDefault();
  });
}
