// The channel of a page saved to run in today's browsers: no program is behind it. Reports go
// to the browser's console; calls do what a browser can do on its own, or answer null. The body
// of a function whose value is {send, call}, like the program's channel.
var info = console.info.bind(console);
var warn = console.warn.bind(console);
var error = console.error.bind(console);
var open = window.open.bind(window);
// IE's dialog features ("dialogWidth:300px; center:yes") as window.open's ("width=300").
function windowFeatures(features) {
  var out = [];
  String(features || '').split(';').forEach(function (pair) {
    var split = pair.split(/[:=]/);
    var name = (split[0] || '').replace(/^\s+|\s+$/g, '').toLowerCase();
    var value = parseInt(split[1], 10);
    if (name === 'dialogwidth' && value > 0)
      out.push('width=' + value);
    else if (name === 'dialogheight' && value > 0)
      out.push('height=' + value);
    else if (name === 'dialogleft' && value >= 0)
      out.push('left=' + value);
    else if (name === 'dialogtop' && value >= 0)
      out.push('top=' + value);
  });
  return out.join(',');
}
// Text put on the clipboard the way pages did before the clipboard interface: a selected, hidden
// text box and the copy command, which browsers allow while the user's click is being handled.
function copy(text) {
  var box = document.createElement('textarea');
  box.value = text;
  box.setAttribute('readonly', '');
  box.style.position = 'fixed';
  box.style.left = '-9999px';
  (document.body || document.documentElement).appendChild(box);
  box.select();
  var done = false;
  try {
    done = document.execCommand('copy');
  } catch (e) {}
  box.parentNode.removeChild(box);
  return done;
}
return {
  send: function (kind, data) {
    if (kind === 'layer-error')
      error('Съвместимост: грешка в ' + data.part + ': ' + data.message);
    else if (kind === 'console' && data)
      (data.level === 'error' ? error : data.level === 'warning' ? warn : info)('Съвместимост: ' + data.text);
  },
  call: function (kind, data) {
    data = data || {};
    if (kind === 'modal') {
      // No window waits for another here: the dialog opens beside the page, which goes on.
      var dialog = open(data.url, '_blank', windowFeatures(data.features));
      if (dialog)
        dialog.name = 'corvane-dialog:' + (data.args === undefined ? 'null' : data.args);
      return null;
    }
    if (kind === 'clipboard-set')
      return copy(String(data.text)) ? '1' : '0';
    return null;
  },
  json: function (value) {
    return JSON.stringify(value === undefined ? null : value);
  },
  standalone: true
};
