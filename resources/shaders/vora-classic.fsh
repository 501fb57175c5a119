// Classic: a point of light under the finger, over a quiet dot grid. Rings run out from
// it faster as the finger moves faster; the gate opens the light and the crosshair.

vec2 finger() {
  // Before the first touch the point rests in the middle.
  return (a_x == 0.0 && a_y == 0.0) ? vec2(0.5) : vec2(a_x, a_y);
}

void main() {
  vec2 uv = v_texcoord;
  vec2 size = max(a_size, vec2(1.0));
  vec2 f = finger();
  vec2 d = (uv - f) * vec2(size.x / size.y, 1.0);
  float r = length(d);
  float g = clamp(a_g, 0.0, 1.0);
  float s = clamp(a_speed, 0.0, 1.0);

  vec3 col = mix(vec3(0.015, 0.02, 0.06), vec3(0.05, 0.02, 0.09), uv.y);

  // A dot every 24 points, lit up around the finger.
  vec2 q = fract(uv * size / 24.0) - 0.5;
  float dots = smoothstep(0.12, 0.05, length(q));
  col += dots * vec3(0.08, 0.10, 0.18) * (0.6 + 2.5 * exp(-r * 5.0) * (0.2 + g));

  // Crosshair through the finger.
  vec2 px = abs(uv - f) * size;
  float lines = exp(-px.x * 0.7) + exp(-px.y * 0.7);
  col += lines * vec3(0.12, 0.35, 0.85) * (0.12 + 0.5 * g) * exp(-r * 1.5);

  // Rings running outwards.
  float ring = sin(r * 70.0 - u_time * (2.0 + 24.0 * s));
  ring = smoothstep(0.75, 1.0, ring) * exp(-r * (7.0 - 4.0 * g));
  col += ring * vec3(0.25, 0.55, 1.0) * (0.1 + 0.9 * g);

  // The light: a soft halo and a hot core; faster fingers tint it pink.
  float radius = 0.03 + 0.07 * g + 0.05 * s;
  vec3 tint = mix(vec3(0.2, 0.5, 1.0), vec3(1.0, 0.35, 0.75), s);
  col += exp(-r * r / (radius * radius)) * tint * (0.25 + 1.1 * g);
  col += exp(-r * r / (0.0003 + 0.0015 * g)) * (0.25 + 0.75 * g);

  fragColor = vec4(col, 1.0);
}
