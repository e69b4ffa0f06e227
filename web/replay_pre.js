// The replayer's page reads its command line from its address, e.g.
// skarnel-replay.html?timeline=round.txt&fast&frame=300: the timeline is
// fetched from beside the page before the program starts, and the canvas
// keeps the sizes the replay sets instead of filling the browser window.
(function () {
  var kTimelinePath = '/timeline.txt';
  var params = new URLSearchParams(location.search);
  var args = [];
  if (params.has('fast')) args.push('--fast');
  params.getAll('frame').forEach(function (n) { args.push('--frame', n); });
  if (params.has('frame-folder')) args.push('--frame-folder', params.get('frame-folder'));
  var timeline = params.get('timeline');
  if (timeline) args.push(kTimelinePath);
  Module['arguments'] = args;
  Module['tarvikFixedCanvasSize'] = true;
  document.body.classList.add('fixed-size');

  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(function () {
    if (!timeline) return;
    addRunDependency('tarvik-timeline');
    fetch(timeline).then(function (response) {
      if (!response.ok) throw new Error('HTTP ' + response.status);
      return response.arrayBuffer();
    }).then(function (buffer) {
      FS.writeFile(kTimelinePath, new Uint8Array(buffer));
    }).catch(function (e) {
      console.error('skarnel-replay: cannot fetch ' + timeline + ': ' + e.message);
    }).finally(function () {
      removeRunDependency('tarvik-timeline');
    });
  });
})();
