// The probe page's command line comes from its address: every `arg`
// parameter, in order (net_probe.html?arg=http://127.0.0.1:8000&arg=9&arg=10).
Module['arguments'] = new URLSearchParams(location.search).getAll('arg');
