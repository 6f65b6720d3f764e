// plugin
