// Heat Map: the feedback's heat as a thermal camera sees it, with contour lines.

float heatAt(vec2 p) {
  vec4 t = texture(u_buffer0, p);
  return t.r + t.g / 255.0;
}

vec3 thermal(float h) {
  h = clamp(h, 0.0, 1.0);
  vec3 c = mix(vec3(0.01, 0.0, 0.05), vec3(0.25, 0.02, 0.45), smoothstep(0.0, 0.15, h));
  c = mix(c, vec3(0.85, 0.05, 0.25), smoothstep(0.12, 0.35, h));
  c = mix(c, vec3(1.0, 0.55, 0.05), smoothstep(0.3, 0.6, h));
  c = mix(c, vec3(1.0, 0.95, 0.55), smoothstep(0.55, 0.85, h));
  return mix(c, vec3(1.0), smoothstep(0.85, 1.0, h));
}

void main() {
  vec2 uv = v_texcoord;
  vec2 point = 1.0 / max(a_size, vec2(1.0));
  float h = heatAt(uv);
  float hx = heatAt(uv + vec2(2.0, 0.0) * point);
  float hy = heatAt(uv + vec2(0.0, 2.0) * point);

  vec3 col = thermal(h * 1.6);
  // Isotherms every tenth of the scale, thin where the heat changes fast.
  float slope = length(vec2(hx - h, hy - h)) * 10.0 + 1e-4;
  float band = abs(fract(h * 10.0 + 0.5) - 0.5) / slope;
  col += vec3(0.9, 0.8, 1.0) * (1.0 - smoothstep(0.0, 1.5, band)) * 0.35 * smoothstep(0.02, 0.08, h);
  // A faint cold grid where nothing is warm.
  vec2 grid = abs(fract(uv * max(a_size, vec2(1.0)) / 48.0) - 0.5);
  col += vec3(0.04, 0.03, 0.1) * smoothstep(0.47, 0.5, max(grid.x, grid.y)) * (1.0 - smoothstep(0.0, 0.2, h));

  fragColor = vec4(col, 1.0);
}
